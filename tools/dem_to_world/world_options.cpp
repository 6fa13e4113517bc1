#include "tools/dem_to_world/world_options.h"

#include "elevation/command_line.h"

namespace dem_to_world {

namespace {

const char* const kHelpHint = "run dem_to_world --help for usage";

}  // namespace

WorldParseResult parseWorldOptions(const std::vector<std::string>& args) {
    WorldParseResult result;
    WorldOptions& o = result.options;
    const elevation::ScanResult scan =
        elevation::scanCommandLine(args, {"--out", "--tile", "--texture"}, {}, kHelpHint);
    result.error = scan.error;
    for (const elevation::CommandLineItem& item : scan.items) {
        if (!result.error.empty()) break;
        if (!item.isOption) {
            o.source.inputs.push_back(item.name);
        } else if (item.name == "--help") {
            o.showHelp = true;
        } else if (item.name == "--tile") {
            if (!elevation::parseWholeNumber(item.value, o.source.tileSide) || !world::validTileSide(o.source.tileSide))
                result.error = "--tile must be 2^k+1 from 3 to 8193, got '" + item.value + "'; e.g. --tile 1025";
        } else if (item.value.empty()) {
            result.error = item.name + " needs a non-empty path; " + kHelpHint;
        } else {
            (item.name == "--out" ? o.outDir : o.source.texturePath) = item.value;
        }
    }
    if (result.error.empty() && !o.showHelp && o.source.inputs.empty())
        result.error = std::string("no input; pass one or more elevation files; ") + kHelpHint;
    else if (result.error.empty() && !o.showHelp && o.outDir.empty())
        result.error = std::string("--out DIR is missing; name the world folder to write; ") + kHelpHint;
    return result;
}

std::string worldUsageText() {
    return "usage: dem_to_world INPUT... --out DIR [--tile N] [--texture FILE]\n"
           "\n"
           "Turns elevation rasters (GeoTIFF, SRTM .hgt, ... ; neighbouring files are put\n"
           "together) into a world folder for flyover DIR: square tiles sharing their borders,\n"
           "in levels that each halve the resolution up to one tile for the whole world, with a\n"
           "colour texture per tile and the index world.txt.\n"
           "\n"
           "  --out DIR       the world folder; a world already there is replaced\n"
           "  --tile N        samples a tile side, 2^k+1 from 3 to 8193 (default: " +
           std::to_string(world::kDefaultTileSide) +
           ")\n"
           "  --texture FILE  an image over the whole input, cut into the tiles' textures\n"
           "                  (default: coloured by height and hill-shaded)\n"
           "  --help          show this text\n"
           "\n"
           "The world is written into DIR.partial and renamed to DIR once complete.\n"
           "\n"
           "example:\n"
           "  dem_to_world N46E007.hgt N46E008.hgt N47E007.hgt N47E008.hgt --out alps\n";
}

}  // namespace dem_to_world

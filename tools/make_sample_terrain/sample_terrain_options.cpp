#include "tools/make_sample_terrain/sample_terrain_options.h"

#include "elevation/command_line.h"

#include <limits>

namespace sample_terrain {
namespace {

using elevation::CommandLineItem;
using elevation::parseWholeNumber;
using elevation::ScanResult;
using elevation::scanCommandLine;

const char* const kHelpHint = "run make_sample_terrain --help for usage";

std::string parseSeed(const std::string& text, std::uint32_t& seed) {
    if (parseWholeNumber(text, seed)) return {};
    return "--seed must be a whole number from 0 to " + std::to_string(std::numeric_limits<std::uint32_t>::max()) +
           ", got '" + text + "'; e.g. --seed 42";
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    const ScanResult scan =
        scanCommandLine(args, {"--out", "--width", "--seed", "--from", "--raster"}, {"--force"}, kHelpHint);
    std::string widthText;
    bool widthGiven = false;
    result.error = scan.error;
    for (const CommandLineItem& item : scan.items) {
        if (!result.error.empty()) break;
        const std::string& name = item.name;
        if (!item.isOption) {
            result.error = "unexpected argument '" + name + "'; " + kHelpHint;
        } else if (name == "--help") {
            o.showHelp = true;
        } else if (name == "--force") {
            o.replace = true;
        } else if (name == "--width") {
            widthText = item.value;
            widthGiven = true;
        } else if (name == "--seed") {
            result.error = parseSeed(item.value, o.seed);
        } else if (item.value.empty()) {
            result.error = name + " needs a non-empty path; " + kHelpHint;
        } else {
            (name == "--out" ? o.outDir : name == "--from" ? o.fromPath : o.rasterPath) = item.value;
        }
    }
    if (!result.error.empty()) return result;
    if (widthGiven && o.rasterPath.empty()) {
        result.error = parseWidth(widthText, o.width);
    } else if (widthGiven && (!parseWholeNumber(widthText, o.width) || o.width < kMinWidth || o.width > kMaxRasterWidth)) {
        result.error = "--width must be a whole number from " + std::to_string(kMinWidth) + " to " +
                       std::to_string(kMaxRasterWidth) + " with --raster, got '" + widthText + "'; e.g. --width 16385";
    }
    if (result.error.empty() && !o.rasterPath.empty() && (!o.outDir.empty() || !o.fromPath.empty()))
        result.error = "--raster names its own file and synthesises; leave out --out and --from";
    return result;
}

std::string usageText() {
    return "usage: make_sample_terrain [--out DIR] [--width N] [--seed S] [--force]\n"
           "       make_sample_terrain --from INPUT [--width N] [--out DIR] [--force]\n"
           "       make_sample_terrain --raster FILE.tif [--width N] [--seed S] [--force]\n"
           "\n"
           "Writes ZovoDiVuviMap.bmp (N x N height image, elevation in the red channel) and\n"
           "zovodivuvi.jpg (matching colour texture) for the terrain fly-over.\n"
           "\n"
           "  --out DIR     folder to write into, created if missing (default: current folder)\n"
           "  --width N     side of the height image, " +
           std::to_string(kMinWidth) + ".." + std::to_string(kMaxWidth) + " (default: " + std::to_string(kDefaultWidth) +
           ")\n"
           "  --seed S      which landscape to synthesise; with --from it only varies the texture's\n"
           "                fine detail (default: " + std::to_string(kDefaultSeed) + ")\n"
           "  --from INPUT  convert an image (BMP, PNG or JPEG, up to 67 million pixels) instead: its\n"
           "                brightness becomes the elevation; it is cropped to a centred square and\n"
           "                resampled\n"
           "  --raster FILE write only an elevation raster instead: a GeoTIFF of N x N 16-bit heights\n"
           "                in metres, 0.." + std::to_string(static_cast<int>(kRasterReliefMetres)) + " m, cells " +
           std::to_string(static_cast<int>(kRasterCellMetres)) + " m apart; N up to " +
           std::to_string(kMaxRasterWidth) + ",\n"
           "                written a band of rows at a time; an existing FILE is replaced only\n"
           "                with --force\n"
           "  --force       replace ZovoDiVuviMap.bmp and zovodivuvi.jpg where they exist; a\n"
           "                symbolic link at either name is replaced, the file it points to kept\n"
           "  --help        show this text\n"
           "\n"
           "Both files are written under temporary names and renamed into place together, once\n"
           "both are complete; existing files are left alone unless --force is given.\n"
           "\n"
           "example:\n"
           "  make_sample_terrain --out data --width 512 --seed 7\n"
           "  make_sample_terrain --from dem.png --width 256 --out data\n"
           "  make_sample_terrain --raster big.tif --width 16385\n";
}

}  // namespace sample_terrain

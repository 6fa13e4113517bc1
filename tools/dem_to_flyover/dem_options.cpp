#include "tools/dem_to_flyover/dem_options.h"

#include "elevation/command_line.h"

namespace sample_terrain {
namespace {

using elevation::CommandLineItem;
using elevation::parseWholeNumber;
using elevation::ScanResult;
using elevation::scanCommandLine;

const char* const kHelpHint = "run dem_to_flyover --help for usage";

std::string parseFit(const std::string& text, Fit& fit) {
    if (text == "crop" || text == "pad") {
        fit = text == "crop" ? Fit::Crop : Fit::Pad;
        return {};
    }
    return "--fit must be 'crop' or 'pad', got '" + text + "'; e.g. --fit pad";
}

std::string parseBand(const std::string& text, int& band) {
    if (parseWholeNumber(text, band) && band >= 1) return {};
    return "--band must be a whole number from 1 (the first band), got '" + text + "'; e.g. --band 1";
}

}  // namespace

DemParseResult parseDemOptions(const std::vector<std::string>& args) {
    DemParseResult result;
    DemOptions& o = result.options;
    const ScanResult scan = scanCommandLine(args, {"--width", "--out", "--fit", "--band"}, {"--force"}, kHelpHint);
    result.error = scan.error;
    for (const CommandLineItem& item : scan.items) {
        if (!result.error.empty()) break;
        const std::string& name = item.name;
        if (!item.isOption) {
            if (o.inputPath.empty()) {
                o.inputPath = name;
            } else {
                result.error = "unexpected second input '" + name + "' after '" + o.inputPath +
                               "'; convert one elevation file at a time";
            }
        } else if (name == "--help") {
            o.showHelp = true;
        } else if (name == "--force") {
            o.replace = true;
        } else if (name == "--width") {
            result.error = parseWidth(item.value, o.width);
        } else if (name == "--fit") {
            result.error = parseFit(item.value, o.fit);
        } else if (name == "--band") {
            result.error = parseBand(item.value, o.band);
        } else if (item.value.empty()) {
            result.error = "--out needs a non-empty path; " + std::string(kHelpHint);
        } else {
            o.outDir = item.value;
        }
    }
    if (result.error.empty() && !o.showHelp && o.inputPath.empty()) {
        result.error = "no input file given; pass an elevation file, e.g. dem_to_flyover N48E009.hgt";
    }
    return result;
}

std::string demUsageText() {
    return "usage: dem_to_flyover INPUT [--width N] [--out DIR] [--fit crop|pad] [--band K]\n"
           "                      [--force]\n"
           "\n"
           "Turns an elevation raster that GDAL can read (GeoTIFF, SRTM .hgt, 16-bit PNG,\n"
           "Arc/Info ASCII grid .asc, ...) into ZovoDiVuviMap.bmp (N x N height image, the\n"
           "lowest height black and the highest white in the red channel) and zovodivuvi.jpg\n"
           "(matching colour texture, shaded by height and slope) for the terrain fly-over.\n"
           "\n"
           "  INPUT           the elevation file\n"
           "  --width N       side of the height image, " +
           std::to_string(kMinWidth) + ".." + std::to_string(kMaxWidth) + " (default: " + std::to_string(kDefaultWidth) +
           "); the raster is\n"
           "                  resampled bilinearly to it\n"
           "  --out DIR       folder to write into, created if missing (default: current folder)\n"
           "  --fit crop|pad  for a raster that is not square: crop takes the centred square\n"
           "                  (default), pad centres it in a square filled with its lowest height\n"
           "  --band K        which band of the raster holds the heights (default: 1)\n"
           "  --force         replace ZovoDiVuviMap.bmp and zovodivuvi.jpg where they exist; a\n"
           "                  symbolic link at either name is replaced, the file it points to kept\n"
           "  --help          show this text\n"
           "\n"
           "Samples equal to the band's no-data value, NaN, and stray fill markers the file does\n"
           "not declare (a lowest or highest value set further apart from the rest than the rest\n"
           "spans, such as -32768 among heights of 100..900) are holes, filled from the heights\n"
           "around them. The texture shows water where the ground lies at or below sea level\n"
           "(height 0), none on a raster whose heights are all above it. A raster stored south up\n"
           "or east to west is turned north up; a rotated one is read as it is stored, with a\n"
           "warning.\n"
           "\n"
           "Rasters of up to " + std::to_string(kMaxRasterSamples / kSamplesPerMillion) +
           " million samples (with --fit pad, in the padded square) are\n"
           "read, which takes up to about " + std::to_string(kMaxRasterMegabytes) +
           " MB of memory; cut larger ones into tiles first.\n"
           "Both files are written under temporary names and renamed into place together\n"
           "once both are complete; existing files are left alone unless --force is given.\n"
           "\n"
           "example:\n"
           "  dem_to_flyover N48E009.hgt --width 512 --out data\n"
           "  dem_to_flyover coast.tif --fit pad --band 1\n";
}

}  // namespace sample_terrain

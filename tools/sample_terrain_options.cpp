#include "sample_terrain_options.h"

#include <charconv>
#include <limits>

namespace sample_terrain {
namespace {

const char* const kHelpHint = "run make_sample_terrain --help for usage";

// Whole-string decimal parse; rejects signs, blanks and trailing characters.
template <typename T>
bool parseNumber(const std::string& text, T& value) {
    if (text.empty() || text.front() == '+' || text.front() == '-') return false;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    return result.ec == std::errc() && result.ptr == end;
}

std::string parseWidth(const std::string& text, int& width) {
    if (parseNumber(text, width) && width >= kMinWidth && width <= kMaxWidth) return {};
    return "--width must be a whole number from " + std::to_string(kMinWidth) + " to " + std::to_string(kMaxWidth) +
           ", got '" + text + "'; e.g. --width 256";
}

std::string parseSeed(const std::string& text, std::uint32_t& seed) {
    if (parseNumber(text, seed)) return {};
    return "--seed must be a whole number from 0 to " + std::to_string(std::numeric_limits<std::uint32_t>::max()) +
           ", got '" + text + "'; e.g. --seed 42";
}

}  // namespace

ParseResult parseOptions(const std::vector<std::string>& args) {
    ParseResult result;
    Options& o = result.options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        const std::size_t eq = name.find('=');
        if (name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }

        if (name == "--help" || name == "-h") {
            o.showHelp = true;
            continue;
        }
        const bool takesValue = name == "--out" || name == "--width" || name == "--seed" || name == "--from";
        if (!takesValue) {
            result.error = (name.rfind("-", 0) == 0 ? "unknown option '" : "unexpected argument '") + args[i] +
                           "'; " + kHelpHint;
            return result;
        }
        if (!hasValue) {
            // A following option means the value was forgotten, not that it is the value.
            if (i + 1 >= args.size() || args[i + 1].rfind("--", 0) == 0) {
                result.error = name + " needs a value; " + kHelpHint;
                return result;
            }
            value = args[++i];
        }

        if (name == "--out") {
            o.outDir = value;
        } else if (name == "--from") {
            o.fromPath = value;
        } else if (name == "--width") {
            result.error = parseWidth(value, o.width);
        } else {
            result.error = parseSeed(value, o.seed);
        }
        if (!result.error.empty()) return result;
        if ((name == "--out" || name == "--from") && value.empty()) {
            result.error = name + " needs a non-empty path; " + kHelpHint;
            return result;
        }
    }
    return result;
}

std::string usageText() {
    return "usage: make_sample_terrain [--out DIR] [--width N] [--seed S]\n"
           "       make_sample_terrain --from INPUT [--width N] [--out DIR]\n"
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
           "  --from INPUT  convert an image (PNG, JPG, BMP, TGA, ...) instead: its brightness becomes\n"
           "                the elevation; it is cropped to a centred square and resampled\n"
           "  --help        show this text\n"
           "\n"
           "example:\n"
           "  make_sample_terrain --out data --width 512 --seed 7\n"
           "  make_sample_terrain --from dem.png --width 256 --out data\n";
}

}  // namespace sample_terrain

#include "world/world_index.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "elevation/output_files.h"

namespace world {

namespace {

constexpr const char* kFormatName = "kalde-world";
constexpr int kMinTileSide = 3;
constexpr int kMaxTileSide = 8193;
// Keeps every level-0 pixel coordinate within an int.
constexpr long long kMaxPaddedSide = (1LL << 30) + 1;
constexpr int kGeoTransformTerms = 6;
constexpr int kDoubleDigits = std::numeric_limits<double>::max_digits10;
constexpr int kFloatDigits = std::numeric_limits<float>::max_digits10;
constexpr const char* kRebuild = "; rebuild the world with dem_to_world";

long long paddedSideFor(int tileSide, std::size_t levels) {
    return (static_cast<long long>(tileSide - 1) << (levels - 1)) + 1;
}

// Tiles along one side of a level whose interior reaches the `extent` real level-0 samples;
// the next one would hold padding only, or repeat this one's border.
int tilesReaching(int extent, int tileSide, int level) {
    const long long span = static_cast<long long>(tileSide - 1) << level;
    return static_cast<int>(std::max(1LL, (extent - 1 + span - 1) / span));
}

std::string number(double v, int digits) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", digits, v);
    return text;
}

bool parseInt(const std::string& text, int& value) {
    errno = 0;
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || errno != 0 || v < std::numeric_limits<int>::min() ||
        v > std::numeric_limits<int>::max())
        return false;
    value = static_cast<int>(v);
    return true;
}

bool parseDouble(const std::string& text, double& value) {
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0' && std::isfinite(value);
}

// One line of the index: its key and the words after it.
struct IndexLine {
    int number = 0;
    std::string key;
    std::vector<std::string> words;
    std::string rest;   // everything after the key, as written
};

std::vector<IndexLine> splitLines(std::istream& in) {
    std::vector<IndexLine> lines;
    std::string text;
    for (int number = 1; std::getline(in, text); ++number) {
        if (!text.empty() && text.back() == '\r') text.pop_back();
        IndexLine line;
        line.number = number;
        std::istringstream words(text);
        if (!(words >> line.key) || line.key[0] == '#') continue;
        std::getline(words, line.rest);
        line.rest.erase(0, std::min(line.rest.size(), line.rest.find_first_not_of(" \t")));
        // A coordinate system's WKT is taken whole; elsewhere '#' starts a comment.
        std::string body = line.rest;
        if (line.key != "crs") body = body.substr(0, body.find('#'));
        std::istringstream parts(body);
        for (std::string w; parts >> w;) line.words.push_back(w);
        lines.push_back(std::move(line));
    }
    return lines;
}

// Parses the lines after the format line into an index, checking each and then the whole.
class IndexParser {
public:
    explicit IndexParser(std::string file) : file_(std::move(file)) {}

    std::string parse(const std::vector<IndexLine>& lines, WorldIndex& index) {
        int levels = 0;
        std::vector<std::string> seen;
        for (const IndexLine& line : lines) {
            if (line.key != "level") {
                if (std::find(seen.begin(), seen.end(), line.key) != seen.end())
                    return at(line, "'" + line.key + "' is given twice");
                seen.push_back(line.key);
            }
            std::string p;
            if (line.key == "tile") {
                p = ints(line, {&index.tileSide});
                if (p.empty() && !validTileSide(index.tileSide))
                    p = at(line, "a tile side must be 2^k+1 from 3 to 8193");
            } else if (line.key == "levels") {
                p = ints(line, {&levels});
                if (p.empty() && (levels < 1 || levels > 31)) p = at(line, "levels must be 1 to 31");
            } else if (line.key == "extent") {
                p = ints(line, {&index.extentColumns, &index.extentRows});
                if (p.empty() && (index.extentColumns < 1 || index.extentRows < 1))
                    p = at(line, "the extent needs at least one sample each way");
            } else if (line.key == "samples") {
                const std::string type = line.words.size() == 1 ? line.words[0] : "";
                if (type == "int16" || type == "float")
                    index.samples = type == "int16" ? SampleType::kInt16 : SampleType::kFloat;
                else
                    p = at(line, "samples must be 'int16' or 'float'");
            } else if (line.key == "heights") {
                double low = 0.0, high = 0.0;
                if (line.words.size() != 2 || !parseDouble(line.words[0], low) || !parseDouble(line.words[1], high) ||
                    low > high)
                    p = at(line, "'heights' needs the lowest and the highest height in metres");
                index.lowest = static_cast<float>(low);
                index.highest = static_cast<float>(high);
            } else if (line.key == "georeference") {
                p = georeference(line, index);
            } else if (line.key == "crs") {
                index.crs = line.rest == "none" ? "" : line.rest;
            } else if (line.key == "level") {
                index.levels.emplace_back();
                p = level(line, static_cast<int>(index.levels.size()) - 1, index.levels.back());
            } else {
                p = at(line, "unknown key '" + line.key + "'");
            }
            if (!p.empty()) return p;
        }
        for (const char* key : {"tile", "levels", "extent", "samples", "heights", "georeference", "crs"})
            if (std::find(seen.begin(), seen.end(), key) == seen.end())
                return whole(std::string("has no '") + key + "' line");
        return consistent(index, levels);
    }

private:
    std::string at(const IndexLine& line, const std::string& what) const {
        return "'" + file_ + "' line " + std::to_string(line.number) + ": " + what + kRebuild;
    }
    std::string whole(const std::string& what) const { return "'" + file_ + "' " + what + kRebuild; }

    std::string ints(const IndexLine& line, std::initializer_list<int*> out) const {
        bool good = line.words.size() == out.size();
        std::size_t i = 0;
        for (int* v : out) good = good && parseInt(line.words[i++], *v);
        return good ? "" : at(line, "'" + line.key + "' needs " + std::to_string(out.size()) + " whole number(s)");
    }

    std::string georeference(const IndexLine& line, WorldIndex& index) const {
        if (line.words.size() == 1 && line.words[0] == "none") return {};
        index.georeferenced = true;
        bool good = line.words.size() == kGeoTransformTerms;
        for (std::size_t i = 0; good && i < kGeoTransformTerms; ++i)
            good = parseDouble(line.words[i], index.geoTransform[i]);
        return good ? "" : at(line, "'georeference' needs 6 numbers or 'none'");
    }

    std::string level(const IndexLine& line, int expected, WorldLevel& level) const {
        const std::vector<std::string>& w = line.words;
        int number = -1;
        if (w.size() != 7 || !parseInt(w[0], number) || w[1] != "cell" || w[4] != "tiles" ||
            !parseInt(w[5], level.columns) || !parseInt(w[6], level.rows) || number != expected)
            return at(line, "needs 'level " + std::to_string(expected) + " cell X Z tiles COLUMNS ROWS'");
        if (!parseDouble(w[2], level.cellX) || !parseDouble(w[3], level.cellZ) || !(level.cellX > 0.0) ||
            !(level.cellZ > 0.0))
            return at(line, "a cell needs two sizes above 0 metres");
        return {};
    }

    std::string consistent(const WorldIndex& index, int levels) const {
        if (static_cast<int>(index.levels.size()) != levels)
            return whole("lists " + std::to_string(index.levels.size()) + " levels where it says " +
                         std::to_string(levels));
        if (paddedSideFor(index.tileSide, index.levels.size()) > kMaxPaddedSide)
            return whole("describes a world larger than 2^30 samples a side");
        if (index.extentColumns > index.paddedSide() || index.extentRows > index.paddedSide())
            return whole("has an extent larger than its levels of tiles cover");
        for (std::size_t l = 0; l < index.levels.size(); ++l) {
            const int most = 1 << (levels - 1 - static_cast<int>(l));
            const WorldLevel& level = index.levels[l];
            if (level.columns < 1 || level.rows < 1 || level.columns > most || level.rows > most)
                return whole("level " + std::to_string(l) + " has a tile grid that does not fit the world");
        }
        if (index.samples == SampleType::kInt16 &&
            (index.lowest < std::numeric_limits<std::int16_t>::min() ||
             index.highest > std::numeric_limits<std::int16_t>::max()))
            return whole("has int16 samples but heights beyond their range");
        return {};
    }

    std::string file_;
};

}  // namespace

bool validTileSide(int side) {
    if (side < kMinTileSide || side > kMaxTileSide) return false;
    const int n = side - 1;
    return (n & (n - 1)) == 0;
}

int WorldIndex::paddedSide() const { return static_cast<int>(paddedSideFor(tileSide, levels.size())); }

int WorldIndex::levelSide(int level) const { return ((paddedSide() - 1) >> level) + 1; }

WorldIndex planWorld(int columns, int rows, int tileSide, double cellX, double cellZ) {
    WorldIndex index;
    index.tileSide = tileSide;
    index.extentColumns = columns;
    index.extentRows = rows;
    std::size_t levels = 1;
    while (paddedSideFor(tileSide, levels) < std::max(columns, rows)) ++levels;
    for (std::size_t level = 0; level < levels; ++level) {
        const double scale = std::ldexp(1.0, static_cast<int>(level));
        index.levels.push_back({cellX * scale, cellZ * scale, tilesReaching(columns, tileSide, static_cast<int>(level)),
                                tilesReaching(rows, tileSide, static_cast<int>(level))});
    }
    return index;
}

std::string readWorldIndex(const std::filesystem::path& folder, WorldIndex& index) {
    const std::filesystem::path path = folder / kIndexFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error))
        return "'" + folder.string() + "' is not a world folder: it has no " + kIndexFileName +
               "; make one with dem_to_world";
    std::ifstream in(path);
    if (!in) return "cannot read '" + path.string() + "' (" + std::strerror(errno) + ")";
    std::vector<IndexLine> lines = splitLines(in);
    int version = 0;
    if (lines.empty() || lines[0].key != kFormatName || lines[0].words.size() != 1 ||
        !parseInt(lines[0].words[0], version))
        return "'" + path.string() + "' is not a world index: it does not start with '" + kFormatName +
               " VERSION'; make one with dem_to_world";
    if (version != kFormatVersion)
        return "'" + path.string() + "' is a world of format version " + std::to_string(version) +
               "; this program reads version " + std::to_string(kFormatVersion) + kRebuild;
    lines.erase(lines.begin());
    WorldIndex result;
    if (std::string problem = IndexParser(path.string()).parse(lines, result); !problem.empty()) return problem;
    index = std::move(result);
    return {};
}

namespace {

std::string formatWorldIndex(const WorldIndex& index) {
    std::ostringstream out;
    out << kFormatName << ' ' << kFormatVersion << "   # format and version\n"
        << "tile " << index.tileSide << "   # samples a tile side, borders shared\n"
        << "levels " << index.levels.size() << "   # 0 finest; the last is one tile\n"
        << "extent " << index.extentColumns << ' ' << index.extentRows << "   # level-0 samples of the source\n"
        << "samples " << (index.samples == SampleType::kInt16 ? "int16" : "float") << '\n'
        << "heights " << number(index.lowest, kFloatDigits) << ' ' << number(index.highest, kFloatDigits)
        << "   # metres; padding holds the lowest\n"
        << "georeference";
    if (!index.georeferenced) out << " none";
    for (int i = 0; index.georeferenced && i < kGeoTransformTerms; ++i)
        out << ' ' << number(index.geoTransform[static_cast<std::size_t>(i)], kDoubleDigits);
    std::string crs = index.crs.empty() ? "none" : index.crs;
    std::replace(crs.begin(), crs.end(), '\n', ' ');
    out << "\ncrs " << crs << '\n';
    for (std::size_t l = 0; l < index.levels.size(); ++l) {
        const WorldLevel& level = index.levels[l];
        out << "level " << l << " cell " << number(level.cellX, kDoubleDigits) << ' '
            << number(level.cellZ, kDoubleDigits) << " tiles " << level.columns << ' ' << level.rows << '\n';
    }
    return out.str();
}

}  // namespace

std::string writeWorldIndex(const std::filesystem::path& folder, const WorldIndex& index) {
    const std::string text = formatWorldIndex(index);
    return elevation::writeFilesTogether(folder, {{kIndexFileName, std::vector<std::uint8_t>(text.begin(), text.end())}},
                                         true);
}

}  // namespace world

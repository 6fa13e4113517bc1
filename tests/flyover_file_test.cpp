// The fly-over run on elevation files in scripted mode, on the null driver: the ground under
// any pixel, distances at true scale, rasters of every shape, and its problems.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "image_files.h"
#include "raster_files.h"
#include "tool_process.h"

namespace {

namespace fs = std::filesystem;
using testfiles::grid;
using testfiles::RasterFormat;
using testfiles::writeRaster;

struct Summary {
    int frames = 0;
    long triangles = 0;
    double ground = 0.0, column = 0.0, row = 0.0;
};

class Flyover : public ToolProcessTest {
protected:
    // Flies `file` in scripted mode for 30 frames on the null driver; returns the exit status.
    int fly(const fs::path& file, const std::string& options) {
        return runTool(FLYOVER_PATH, "'" + file.string() + "' --driver null --frames 30 " + options);
    }
    // The summary line, the last one printed.
    Summary summary() {
        Summary s;
        const std::vector<std::string> out = lines("stdout");
        EXPECT_FALSE(out.empty());
        if (out.empty()) return s;
        double median = 0.0, p99 = 0.0;
        EXPECT_EQ(std::sscanf(out.back().c_str(),
                              "frames=%d triangles=%ld ground_m=%lf at=%lf,%lf frame_ms_median=%lf frame_ms_p99=%lf",
                              &s.frames, &s.triangles, &s.ground, &s.column, &s.row, &median, &p99),
                  7)
            << out.back();
        EXPECT_LE(median, p99);
        return s;
    }
    // The ground under pixel (column, row).
    double groundAt(const fs::path& file, int column, int row, const std::string& options = "") {
        EXPECT_EQ(fly(file, "--at " + std::to_string(column) + "," + std::to_string(row) + " " + options), 0)
            << errors();
        const Summary s = summary();
        EXPECT_EQ(s.frames, 30);
        EXPECT_GT(s.triangles, 0);
        EXPECT_DOUBLE_EQ(s.column, column);
        EXPECT_DOUBLE_EQ(s.row, row);
        return s.ground;
    }
    // Whether a line printed says `text`; progress lines may come between the others.
    bool said(const std::string& text) const {
        for (const std::string& line : lines("stdout"))
            if (line.find(text) != std::string::npos) return true;
        return false;
    }
    std::string errors() const {
        std::string text;
        for (const std::string& line : lines("stderr")) text += line + "\n";
        return text;
    }
};

// Heights that differ from every neighbour, so that a sample off by one pixel shows.
double wavy(int column, int row) { return 200.0 + 37.0 * column - 11.0 * row + (column * row) % 5; }

TEST_F(Flyover, TheGroundUnderAPixelIsItsSampleInEveryFormat) {
    writeRaster(dir / "heights.png", 20, 15, {grid(20, 15, wavy)}, RasterFormat("PNG", "UInt16"));
    // Fractions: flown with float samples.
    writeRaster(dir / "heights.asc", 20, 15, {grid(20, 15, [](int c, int r) { return wavy(c, r) + 0.25; })},
                RasterFormat("AAIGrid", "Float32"));
    // Stored south up.
    writeRaster(dir / "heights.tif", 20, 15, {grid(20, 15, [](int c, int r) { return wavy(c, 14 - r); })},
                RasterFormat("GTiff", "Int16", {}, {0, 10, 0, 0, 0, 10}));
    for (const auto& [pixel, extra] : std::vector<std::pair<std::pair<int, int>, double>>{
             {{0, 0}, 0.0}, {{19, 14}, 0.0}, {{7, 3}, 0.0}, {{12, 11}, 0.0}}) {
        const auto [c, r] = pixel;
        EXPECT_NEAR(groundAt(dir / "heights.png", c, r), wavy(c, r), 1e-3) << c << "," << r;
        EXPECT_NEAR(groundAt(dir / "heights.asc", c, r), wavy(c, r) + 0.25, 1e-3) << c << "," << r;
        EXPECT_NEAR(groundAt(dir / "heights.tif", c, r), wavy(c, r), 1e-3) << c << "," << r;
    }
    // Exaggerated, the ground is still told in the file's units.
    EXPECT_NEAR(groundAt(dir / "heights.png", 7, 3, "--exaggeration 3"), wavy(7, 3), 1e-3);
    EXPECT_TRUE(said("heights.png: 20 x 15 samples (PNG)"));
}

TEST_F(Flyover, TheGroundOfARealSrtmTileIsItsSample) {
    if (!fs::exists(SRTM_TILE_PATH)) GTEST_SKIP() << SRTM_TILE_PATH << " is not here";
    // GDAL knows the format by the tile's name.
    fs::copy_file(SRTM_TILE_PATH, dir / "N48E009.hgt");
    const testfiles::Bytes bytes = testfiles::readFile(dir / "N48E009.hgt");
    const auto sample = [&](int column, int row) {
        const std::size_t at = 2 * (static_cast<std::size_t>(row) * 1201 + column);
        return static_cast<std::int16_t>(bytes[at] << 8 | bytes[at + 1]);
    };
    for (const auto& [c, r] : std::vector<std::pair<int, int>>{{600, 600}, {1200, 0}, {250, 1100}})
        EXPECT_NEAR(groundAt(dir / "N48E009.hgt", c, r), sample(c, r), 1.0) << c << "," << r;
    EXPECT_TRUE(said("N48E009.hgt: 1201 x 1201 samples (SRTMHGT), heights 173 m .. 977 m, 21 no-data samples filled"));
    EXPECT_TRUE(said("geographic (WGS 84): cells of 61.6 x 92.7 m"));
    EXPECT_TRUE(said("map: 2049 x 2049 16-bit samples"));
}

TEST_F(Flyover, ItFliesTrueDistancesOverGeographicAndProjectedRasters) {
    const std::vector<double> flat = grid(200, 200, [](int, int) { return 300.0; });
    // 3 arc-seconds around 48.5 N: 92.67 m between rows, 61.58 m between columns.
    constexpr double kCell = 1.0 / 1200;
    writeRaster(dir / "geographic.tif", 200, 200, {flat},
                RasterFormat("GTiff", "Int16", {}, {9.5, kCell, 0, 48.5 + 100 * kCell, 0, -kCell}, "EPSG:4326"));
    // UTM cells of 30 m; and the same in a system of US survey feet, 100 feet a cell.
    writeRaster(dir / "projected.tif", 200, 200, {flat},
                RasterFormat("GTiff", "Int16", {}, {500000, 30, 0, 5375000, 0, -30}, "EPSG:32632"));
    writeRaster(dir / "feet.tif", 200, 200, {flat},
                RasterFormat("GTiff", "Int16", {}, {1000000, 100, 0, 200000, 0, -100}, "EPSG:2263"));
    // 30 frames of 1/30 s at 300 m/s: 300 m.
    const std::vector<std::tuple<const char*, const char*, double, double>> flights = {
        {"geographic.tif", "--heading 0", 0.0, -300.0 / 92.67},
        {"geographic.tif", "--heading 90", 300.0 / 61.58, 0.0},
        {"projected.tif", "--heading 180", 0.0, 10.0},
        {"feet.tif", "--heading 270", -300.0 / 30.48006, 0.0},
    };
    for (const auto& [file, heading, columns, rows] : flights) {
        ASSERT_EQ(fly(dir / file, std::string(heading) + " --at 100,100 --fly 300"), 0) << errors();
        const Summary s = summary();
        EXPECT_NEAR(s.column - 100.0, columns, 0.01) << file << " " << heading;
        EXPECT_NEAR(s.row - 100.0, rows, 0.01) << file << " " << heading;
        EXPECT_NEAR(s.ground, 300.0, 1e-3);
    }
}

TEST_F(Flyover, RastersOfAnyShapeAreFlownWholeWithTheCameraKeptOverThem) {
    // Wide and tall, neither cropped: every corner has its own height.
    writeRaster(dir / "wide.tif", 12, 5, {grid(12, 5, wavy)});
    writeRaster(dir / "tall.tif", 3, 17, {grid(3, 17, wavy)});
    EXPECT_NEAR(groundAt(dir / "wide.tif", 11, 4), wavy(11, 4), 1e-3);
    EXPECT_NEAR(groundAt(dir / "wide.tif", 0, 0), wavy(0, 0), 1e-3);
    EXPECT_NEAR(groundAt(dir / "tall.tif", 2, 16), wavy(2, 16), 1e-3);
    // Flying off the east edge: the camera stops over the raster's last column, not its padding.
    ASSERT_EQ(fly(dir / "wide.tif", "--at 8,2 --heading 90 --fly 1000"), 0);
    const Summary s = summary();
    EXPECT_DOUBLE_EQ(s.column, 11.0);
    EXPECT_DOUBLE_EQ(s.row, 2.0);

    // Wider than a map holds: every second sample, pixel coordinates as in the file.
    writeRaster(dir / "long.tif", 8194, 3, {grid(8194, 3, [](int c, int r) { return c % 1000 + 7.0 * r; })},
                RasterFormat("GTiff", "Int16"));
    EXPECT_NEAR(groundAt(dir / "long.tif", 8192, 2), 192.0 + 14.0, 1e-3);
    EXPECT_TRUE(said("one sample in 2 along each side, 4097 x 2"));
}

TEST_F(Flyover, EveryProblemIsOneLineOnStderrAndStatusOne) {
    writeRaster(dir / "ok.tif", 8, 8, {grid(8, 8, wavy)});
    writeRaster(dir / "empty.asc", 4, 4, {grid(4, 4, [](int, int) { return -9999.0; })},
                RasterFormat("AAIGrid", "Float32", -9999.0));
    std::ofstream(dir / "notes.txt") << "not an elevation raster\n";
    std::ofstream(dir / "bad.png") << "not a picture\n";
    ASSERT_EQ(mkfifo((dir / "pipe.tif").c_str(), 0600), 0);
    const std::string ok = "'" + (dir / "ok.tif").string() + "'";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"'" + (dir / "none.tif").string() + "'", "none.tif' does not exist"},
        {"'" + (dir / "pipe.tif").string() + "'", "is a named pipe (FIFO), not a regular file"},
        {"'" + (dir / "notes.txt").string() + "'", "is not a raster GDAL can read"},
        {"'" + (dir / "empty.asc").string() + "'", "holds only no-data samples"},
        {ok + " --band 2", "--band 2 is out of range"},
        {ok + " --at 8,0", "--at lies outside"},
        {ok + " --texture '" + (dir / "bad.png").string() + "'", "texture '"},
        {ok + " --texture '" + (dir / "none.png").string() + "'", "none.png' does not exist"},
        {ok + " --frobnicate", "unknown option '--frobnicate'"},
        {ok + " --screenshot s.png", "--driver null draws no pictures"},
        {ok + " --frame-log '" + (dir / "none" / "log.csv").string() + "'", "cannot write the frame log"},
    };
    for (const auto& [args, expected] : cases) {
        EXPECT_EQ(runTool(FLYOVER_PATH, args + " --driver null --frames 3"), 1) << args;
        const std::vector<std::string> err = lines("stderr");
        ASSERT_EQ(err.size(), 1u) << args << ": " << errors();
        EXPECT_EQ(err[0].rfind("flyover: ", 0), 0u) << err[0];
        EXPECT_NE(err[0].find(expected), std::string::npos) << err[0];
    }
}

// The frame log has a line for every frame, taken when it finished: in real time 1/30 s
// apart, whatever the frames cost.
TEST_F(Flyover, AFrameLogHasEveryFrameAndRealTimeKeepsTheirPace) {
    writeRaster(dir / "ok.tif", 8, 8, {grid(8, 8, wavy)});
    const fs::path log = dir / "frames.csv";
    ASSERT_EQ(fly(dir / "ok.tif", "--realtime --frame-log '" + log.string() + "'"), 0) << errors();
    std::ifstream in(log);
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, "frame,seconds,frame_ms,cpu_ms,triangles,resident_mb,tiles_held,tiles_loaded,tile_mb");
    std::vector<double> seconds;
    while (std::getline(in, line)) {
        int frame = -1;
        double at = 0.0, ms = 0.0, cpu = 0.0, resident = 0.0;
        long triangles = 0;
        ASSERT_EQ(std::sscanf(line.c_str(), "%d,%lf,%lf,%lf,%ld,%lf", &frame, &at, &ms, &cpu, &triangles, &resident), 6)
            << line;
        EXPECT_LE(cpu, ms + 0.05);
        EXPECT_EQ(frame, static_cast<int>(seconds.size()));
        EXPECT_GT(triangles, 0);
        EXPECT_GT(resident, 1.0);
        seconds.push_back(at);
    }
    ASSERT_EQ(seconds.size(), 30u);
    EXPECT_GT(seconds.back() - seconds.front(), 29.0 / 30.0 - 0.01);
}

TEST_F(Flyover, HelpListsEveryOptionAndKey) {
    EXPECT_EQ(runTool(FLYOVER_PATH, "--help"), 0);
    std::string text;
    for (const std::string& line : lines("stdout")) text += line + "\n";
    for (const char* item : {"--exaggeration", "--texture", "--band", "--window", "--at", "--heading", "--pitch",
                             "--height", "--frames", "--fly", "--screenshot", "--driver", "--realtime", "--frame-log",
                             "--help", "W A S D",
                             "Page Up", "wheel", "Shift", "Tab", "F12", "Esc",
                             "frames=N triangles=T ground_m=G at=COL,ROW frame_ms_median=A frame_ms_p99=B"})
        EXPECT_NE(text.find(item), std::string::npos) << item;
}

}  // namespace

// The height image: what is refused, before a pixel is decoded where the header tells, and
// the grid layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

#include "app/height_image.h"
#include "child_process.h"
#include "image_files.h"
#include "scratch_folder.h"

namespace flyover {
namespace {

namespace fs = std::filesystem;

TEST(HeightGrid, RowZeroIsTheBottomImageRowAndOnlyRedCounts) {
    const elevation::RgbImage image = testfiles::gradient(3, 3);
    const std::vector<std::int16_t> grid = sampleGridFromImage(image);
    ASSERT_EQ(grid.size(), 9u);
    for (int x = 0; x < 3; ++x)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(grid[x + 3 * k], image.at(x, 2 - k).r) << x << "," << k;
}

class HeightFile : public ScratchFolder {
protected:
    std::string problemOf(const fs::path& path) {
        elevation::RgbImage image;
        return readHeightImage(path.c_str(), image);
    }
    // A BMP header of width x height, the pixels a hole in the file: its size is right,
    // nothing is written.
    fs::path sparseBmp(const char* name, std::uint32_t width, std::uint32_t height) {
        testfiles::Bytes head = testfiles::withStatedSize(testfiles::bmpFile(1, 1, 24), width, height);
        head.resize(54);
        testfiles::writeFile(dir / name, head);
        fs::resize_file(dir / name, 54 + std::uint64_t{(width * 3 + 3) / 4 * 4} * height);
        return dir / name;
    }
};

TEST_F(HeightFile, NamesWhatIsWrong) {
    fs::create_directories(dir / "folder");
    testfiles::writeFile(dir / "empty", {});
    testfiles::writeFile(dir / "text", {'h', 'i', 'l', 'l', 's'});
    testfiles::writeFile(dir / "one.bmp", testfiles::bmpFile(1, 1, 24));
    testfiles::writeFile(dir / "wide.bmp", testfiles::bmpFile(64, 32, 24));
    testfiles::writeFile(dir / "good.png", testfiles::pngFile(4, 4, 0, 16));
    EXPECT_EQ(problemOf(dir / "good.png"), "");
    EXPECT_EQ(problemOf(dir / "missing").rfind("is not in ", 0), 0u);
    EXPECT_EQ(problemOf(dir / "folder"), "is a folder, not a file");
    EXPECT_EQ(problemOf(dir / "empty"), "is empty");
    EXPECT_EQ(problemOf(dir / "text").rfind("is not a BMP, PNG or JPEG file", 0), 0u);
    EXPECT_EQ(problemOf(dir / "one.bmp"), "is 1x1 pixels; it must be at least 2 pixels wide");
    EXPECT_EQ(problemOf(dir / "wide.bmp"), "is 64x32 pixels; it must be square");
    EXPECT_EQ(problemOf(sparseBmp("huge.bmp", 16385, 16385)),
              "is 16385x16385 pixels; at most 8193 pixels a side can be read; scale it down");
}

TEST_F(HeightFile, HostileFilesAreRefusedQuicklyAndCheaply) {
    // A 4 GiB tall BMP whose size overflowed 32-bit loaders, and a PNG claiming 32768² RGBA
    // with 64 rows of data.
    const fs::path files[] = {sparseBmp("tall.bmp", 8192, 174763), dir / "lying.png"};
    testfiles::writeFile(files[1], testfiles::withStatedSize(testfiles::pngFile(64, 64, 6, 8), 32768, 32768));
    std::vector<std::string> problems;
    const testchild::ChildRun run =
        testchild::answersFromChild(2, [&](std::size_t k) { return problemOf(files[k]); }, &problems);
    EXPECT_EQ(run.signal, 0);
    EXPECT_LT(run.peakBytes, testchild::kGibibyte);
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[0], "is 8192x174763 pixels; at most 8193 pixels a side can be read; scale it down");
    EXPECT_EQ(problems[1], "is 32768x32768 pixels; at most 8193 pixels a side can be read; scale it down");
}

}  // namespace
}  // namespace flyover

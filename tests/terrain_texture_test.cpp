// The terrain texture: any readable image becomes the texture; every other file is one
// problem and no texture, decided from the header where a file lies about its size.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "app/terrain_texture.h"
#include "child_process.h"
#include "image_files.h"
#include "scratch_fixture.h"

namespace flyover {
namespace {

using testfiles::Bytes;

class TerrainTexture : public ScratchFixture {
protected:
    std::string write(const std::string& name, const Bytes& bytes) {
        testfiles::writeFile(dir / name, bytes);
        return (dir / name).string();
    }
};

TEST_F(TerrainTexture, DecodesEveryFormatItReadsAndPassesOverAMissingFile) {
    for (const auto& [name, bytes] : {std::pair{"a.jpg", testfiles::jpegFile(48, 32)},
                                      {"b.jpg", testfiles::pngFile(8, 8, PNG_COLOR_TYPE_RGB, 8)},
                                      {"c.jpg", testfiles::bmpFile(8, 8, 24)}}) {
        std::string problem;
        irr::video::ITexture* texture = loadTerrainTexture(driver, write(name, bytes).c_str(), &problem);
        ASSERT_NE(texture, nullptr) << name;
        EXPECT_EQ(problem, "");
        // The null driver keeps no pixels; the texture is registered under the file's name.
        EXPECT_EQ(driver->findTexture((dir / name).c_str()), texture);
    }
    // No file: drawn untextured, as designed, without a word.
    std::string problem;
    EXPECT_EQ(loadTerrainTexture(driver, (dir / "none.jpg").c_str(), &problem), nullptr);
    EXPECT_EQ(problem, "");
}

TEST_F(TerrainTexture, EveryHostileFileIsOneProblemQuicklyAndCheaply) {
    const Bytes jpeg = testfiles::jpegFile(64, 64);
    const Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0x80, 32, 0, 1, 2, 3, 4};
    const std::vector<std::pair<std::string, std::string>> cases = {
        {write("png.jpg", testfiles::withStatedSize(testfiles::pngFile(64, 64, PNG_COLOR_TYPE_RGB_ALPHA, 8), 32768, 32768)),
         "is 32768x32768 pixels; at most 16384 pixels a side can be read; scale it down"},
        {write("tga.jpg", tga), "is not a BMP, PNG or JPEG file, the formats that are read; save it as one of them"},
        {write("progressive.jpg", testfiles::withStatedSize(testfiles::jpegFile(64, 64, true), 60000, 60000)),
         "is 60000x60000 pixels; at most 16384 pixels a side can be read; scale it down"},
        {write("baseline.jpg", testfiles::withStatedSize(jpeg, 16384, 16384)),
         "is 16384x16384 pixels; at most 67.1 million pixels in all can be read; scale it down"},
        {write("bomb.jpg", testfiles::withStatedSize(testfiles::pngFile(64, 64, PNG_COLOR_TYPE_GRAY, 8), 16384, 16384)),
         "is 16384x16384 pixels; at most 67.1 million pixels in all can be read; scale it down"},
        // Within the limits, but kilobytes of data for hundreds of megabytes of pixels.
        {write("progressive_within.jpg", testfiles::withStatedSize(testfiles::jpegFile(64, 64, true), 8192, 8192)),
         "is a JPEG file that cannot be decoded ("},
        {write("truncated.jpg", Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(jpeg.size() / 2))),
         "is a JPEG file that cannot be decoded ("},
        {write("tall.jpg", testfiles::withStatedSize(testfiles::bmpFile(16, 16, 24), 8192, 174763)),
         "is 8192x174763 pixels; at most 16384 pixels a side can be read; scale it down"},
        {(dir / "folder.jpg").string(), "is a folder, not a file"},
        {(dir / "fifo.jpg").string(), "is a named pipe (FIFO), not a regular file"},
    };
    std::filesystem::create_directory(dir / "folder.jpg");
    ASSERT_EQ(mkfifo((dir / "fifo.jpg").c_str(), 0600), 0);
    std::vector<std::string> answers;
    const testchild::ChildRun run = testchild::answersFromChild(cases.size(), [&](std::size_t k) {
        alarm(10);
        std::string problem;
        const irr::video::ITexture* texture = loadTerrainTexture(driver, cases[k].first.c_str(), &problem);
        return texture ? "a texture" : problem;
    }, &answers);
    EXPECT_EQ(run.signal, 0);
    EXPECT_LT(run.peakBytes, testchild::kGibibyte);
    ASSERT_EQ(answers.size(), cases.size());
    // Each answer is the problem expected, or, for damaged data, starts with it.
    for (std::size_t k = 0; k < cases.size(); ++k) EXPECT_EQ(answers[k].rfind(cases[k].second, 0), 0u) << answers[k];
}

}  // namespace
}  // namespace flyover

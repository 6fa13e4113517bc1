// The height image: what is refused before and after loading, and the grid layout.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/height_image.h"

namespace flyover {
namespace {

class HeightImage : public ::testing::Test {
protected:
    void SetUp() override {
        device = irr::createDevice(irr::video::EDT_NULL);
        ASSERT_NE(device, nullptr);
        driver = device->getVideoDriver();
    }
    void TearDown() override { device->drop(); }

    irr::video::IImage* image(irr::u32 width, irr::u32 height) {
        return driver->createImage(irr::video::ECF_R8G8B8,
                                   irr::core::dimension2du(width, height));
    }

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
};

TEST_F(HeightImage, GridRowZeroIsTheBottomImageRow) {
    irr::video::IImage* img = image(3, 3);
    for (irr::u32 x = 0; x < 3; ++x)
        for (irr::u32 y = 0; y < 3; ++y) img->setPixel(x, y, irr::video::SColor(255, 10 * x + y, 7, 9));
    const std::vector<std::int16_t> grid = sampleGridFromImage(*img);
    ASSERT_EQ(grid.size(), 9u);
    for (int x = 0; x < 3; ++x)
        for (int k = 0; k < 3; ++k) EXPECT_EQ(grid[x + 3 * k], 10 * x + (2 - k)) << x << "," << k;
    img->drop();
}

TEST_F(HeightImage, RefusesImagesThatCannotBeASquareGrid) {
    irr::video::IImage* tiny = image(1, 1);
    irr::video::IImage* wide = image(64, 32);
    irr::video::IImage* good = image(2, 2);
    irr::video::IImage* large = image(8194, 8194);
    EXPECT_EQ(heightImageProblem(*large).rfind("is 8194x8194 pixels; the fly-over takes at most 8193", 0), 0u);
    large->drop();
    EXPECT_EQ(heightImageProblem(*tiny), "is 1x1 pixels; it must be at least 2 pixels wide");
    EXPECT_EQ(heightImageProblem(*wide), "is 64x32 pixels; it must be square");
    EXPECT_EQ(heightImageProblem(*good), "");
    tiny->drop();
    wide->drop();
    good->drop();
}

// A 24-bit BMP header claiming width x height, followed by size bytes of pixels in all.
void writeBmpHeader(const std::filesystem::path& path, std::int32_t width, std::int32_t height) {
    const std::uint32_t rowBytes = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    const std::uint64_t pixelBytes = std::uint64_t{rowBytes} * static_cast<std::uint32_t>(height);
    std::vector<unsigned char> header(54, 0);
    const auto put = [&](std::size_t at, std::uint64_t value, int bytes) {
        for (int k = 0; k < bytes; ++k) header[at + k] = static_cast<unsigned char>(value >> (8 * k));
    };
    header[0] = 'B', header[1] = 'M';
    put(2, 54 + pixelBytes, 4);
    put(10, 54, 4);
    put(14, 40, 4);
    put(18, static_cast<std::uint32_t>(width), 4);
    put(22, static_cast<std::uint32_t>(height), 4);
    put(26, 1, 2);
    put(28, 24, 2);
    put(34, pixelBytes, 4);
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(header.data()), 54);
    out.close();
    // The pixels as a hole in the file: its size is right, nothing is written.
    std::filesystem::resize_file(path, 54 + pixelBytes);
}

TEST(HeightFile, NamesWhatIsWrongBeforeLoading) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "height_file_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "empty").close();
    std::ofstream(dir / "stub") << "BM";
    std::ofstream(dir / "text") << "heights, as text";
    writeBmpHeader(dir / "good.bmp", 16, 16);
    writeBmpHeader(dir / "huge.bmp", 16385, 16385);   // 805 MB of pixels, none on disk
    EXPECT_EQ(heightFileProblem((dir / "missing").c_str()).rfind("is not in ", 0), 0u);
    EXPECT_EQ(heightFileProblem((dir / "folder").c_str()), "is a folder, not an image file");
    EXPECT_EQ(heightFileProblem((dir / "empty").c_str()), "is empty");
    EXPECT_EQ(heightFileProblem((dir / "stub").c_str()), "is a BMP file too short to hold its headers");
    EXPECT_EQ(heightFileProblem((dir / "text").c_str()).rfind("is neither a BMP nor a PNG", 0), 0u);
    EXPECT_EQ(heightFileProblem((dir / "good.bmp").c_str()), "");
    EXPECT_EQ(heightFileProblem((dir / "huge.bmp").c_str()),
              "is 16385x16385 pixels; the fly-over takes at most 8193 pixels a side; scale it "
              "down, e.g. with make_sample_terrain --from FILE --width 4096");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace flyover

// The height image: what is refused before and after loading, and the grid layout.
#include <gtest/gtest.h>

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
    EXPECT_EQ(heightImageProblem(*tiny), "is 1x1 pixels; it must be at least 2 pixels wide");
    EXPECT_EQ(heightImageProblem(*wide), "is 64x32 pixels; it must be square");
    EXPECT_EQ(heightImageProblem(*good), "");
    tiny->drop();
    wide->drop();
    good->drop();
}

TEST(HeightFile, NamesWhatIsWrongBeforeLoading) {
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / "height_file_test";
    fs::remove_all(dir);
    fs::create_directories(dir / "folder");
    std::ofstream(dir / "empty").close();
    std::ofstream(dir / "full") << "BM";
    EXPECT_EQ(heightFileProblem((dir / "missing").c_str()).rfind("is not in ", 0), 0u);
    EXPECT_EQ(heightFileProblem((dir / "folder").c_str()), "is a folder, not an image file");
    EXPECT_EQ(heightFileProblem((dir / "empty").c_str()), "is empty");
    EXPECT_EQ(heightFileProblem((dir / "full").c_str()), "");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace flyover

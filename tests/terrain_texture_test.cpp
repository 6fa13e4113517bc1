// The terrain texture: decoded safely, whatever the file holds.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/terrain_texture.h"
#include "scratch_fixture.h"

namespace flyover {
namespace {

class TerrainTexture : public ScratchFixture {
protected:
    void SetUp() override {
        ScratchFixture::SetUp();
        if (HasFatalFailure()) return;
        // A real JPEG, written by Irrlicht.
        irr::video::IImage* image = driver->createImage(irr::video::ECF_R8G8B8, {48, 32});
        for (irr::u32 x = 0; x < 48; ++x)
            for (irr::u32 y = 0; y < 32; ++y) image->setPixel(x, y, irr::video::SColor(255, x * 5, y * 7, 90));
        ASSERT_TRUE(driver->writeImageToFile(image, (dir / "good.jpg").c_str(), 90));
        image->drop();
        std::ifstream in(dir / "good.jpg", std::ios::binary);
        jpeg.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    std::string write(const std::string& name, const std::string& bytes) {
        std::ofstream(dir / name, std::ios::binary) << bytes;
        return (dir / name).string();
    }

    std::string jpeg;
};

TEST_F(TerrainTexture, DecodesAJpeg) {
    std::string problem;
    irr::video::ITexture* texture = loadTerrainTexture(driver, (dir / "good.jpg").c_str(), &problem);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(problem, "");
    // The null driver keeps no pixels; the texture is registered under the file's name.
    EXPECT_EQ(driver->findTexture((dir / "good.jpg").c_str()), texture);
}

TEST_F(TerrainTexture, AMissingFileIsNoProblem) {
    std::string problem;
    EXPECT_EQ(loadTerrainTexture(driver, (dir / "none.jpg").c_str(), &problem), nullptr);
    EXPECT_EQ(problem, "");
}

TEST_F(TerrainTexture, DamagedFilesNeverCrash) {
    // Cut at every length and with noise after the headers: a texture or a reason.
    for (std::size_t cut : {4u, 20u, 200u, 400u, 700u}) {
        if (cut >= jpeg.size()) continue;
        std::string problem;
        irr::video::ITexture* texture =
            loadTerrainTexture(driver, write("cut" + std::to_string(cut) + ".jpg", jpeg.substr(0, cut)).c_str(), &problem);
        EXPECT_TRUE(texture != nullptr || !problem.empty()) << "cut at " << cut;
    }
    std::string noise = jpeg.substr(0, 300);
    for (int k = 0; k < 5000; ++k) noise += static_cast<char>((k * 7919) % 251);
    std::string problem;
    irr::video::ITexture* texture = loadTerrainTexture(driver, write("noise.jpg", noise).c_str(), &problem);
    EXPECT_TRUE(texture != nullptr || !problem.empty());
    problem.clear();
    EXPECT_EQ(loadTerrainTexture(driver, write("text.jpg", "a picture of hills").c_str(), &problem), nullptr);
    EXPECT_EQ(problem.rfind("is neither a BMP nor a PNG", 0), 0u);
    problem.clear();
    EXPECT_EQ(loadTerrainTexture(driver, write("header.jpg", "\xFF\xD8\xFF").c_str(), &problem), nullptr);
    EXPECT_EQ(problem.rfind("is not a readable JPEG file", 0), 0u);
}

}  // namespace
}  // namespace flyover

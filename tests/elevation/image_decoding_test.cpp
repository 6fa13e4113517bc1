// Decoding images nobody vouches for: every layout read as its pixels, every lie about the
// size refused before pixels are allocated, every damaged file refused rather than guessed.
#include <gtest/gtest.h>

#include <png.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "child_process.h"
#include "elevation/image_decoding.h"
#include "elevation/image_encoding.h"
#include "image_files.h"
#include "scratch_folder.h"

namespace elevation {
namespace {

using testfiles::Bytes;

constexpr ImageLimits kRoomy = {32768, std::uint64_t{8192} * 8192};

class ImageDecoding : public ScratchFolder {
protected:
    // Decodes `bytes` written to a file; the problem, or "" with `image` filled.
    std::string decode(const Bytes& bytes, RgbImage& image, const ImageLimits& limits = kRoomy) {
        const std::filesystem::path path = dir / "image";
        testfiles::writeFile(path, bytes);
        return readImageFile(path.string(), limits, image);
    }
    std::string problemOf(const Bytes& bytes, const ImageLimits& limits = kRoomy) {
        RgbImage image;
        const std::string problem = decode(bytes, image, limits);
        if (!problem.empty()) {
            EXPECT_TRUE(image.pixels.empty());
        }
        return problem;
    }
};

bool samePixels(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.pixels.size() != b.pixels.size()) return false;
    for (std::size_t i = 0; i < a.pixels.size(); ++i)
        if (a.pixels[i].r != b.pixels[i].r || a.pixels[i].g != b.pixels[i].g || a.pixels[i].b != b.pixels[i].b)
            return false;
    return true;
}

std::uint8_t widened(std::uint8_t v) { return static_cast<std::uint8_t>((v >> 3 << 3) | (v >> 5)); }

TEST_F(ImageDecoding, ReadsEveryBmpDepthAsItsPixels) {
    const RgbImage expected = testfiles::gradient(7, 5);
    RgbImage image;
    for (std::uint16_t bits : {24, 32}) {
        ASSERT_EQ(decode(testfiles::bmpFile(7, 5, bits), image), "") << bits;
        EXPECT_TRUE(samePixels(image, expected)) << bits;
    }
    ASSERT_EQ(decode(testfiles::bmpFile(7, 5, 16), image), "");
    EXPECT_EQ(image.at(6, 4).r, widened(expected.at(6, 4).r));
    EXPECT_EQ(image.at(6, 4).b, widened(expected.at(6, 4).b));
    // Paletted rows are bit-packed: pixel (x, y) is colour (x + y) mod colours, (c, 255 - c, c / 2).
    for (auto [bits, colours] : {std::pair{8, 256}, {4, 16}, {1, 2}, {8, 5}}) {
        ASSERT_EQ(decode(testfiles::bmpFile(7, 5, static_cast<std::uint16_t>(bits), colours), image), "") << bits;
        const int c = (6 + 3) % colours;
        EXPECT_EQ(image.at(6, 3).r, c) << bits;
        EXPECT_EQ(image.at(6, 3).g, 255 - c) << bits;
        EXPECT_EQ(image.at(6, 3).b, c / 2) << bits;
    }
    // A negative height stores the rows top-down: the first stored row is now the top one.
    ASSERT_EQ(decode(testfiles::withStatedSize(testfiles::bmpFile(7, 5, 24), 7, static_cast<std::uint32_t>(-5)), image), "");
    EXPECT_EQ(image.at(2, 0).g, expected.at(2, 4).g);
    // What we write reads back unchanged.
    ASSERT_EQ(decode(encodeBmp(expected), image), "");
    EXPECT_TRUE(samePixels(image, expected));
}

TEST_F(ImageDecoding, ReadsPngOfEveryLayoutAsEightBitRgb) {
    const RgbImage expected = testfiles::gradient(9, 6);
    RgbImage image;
    ASSERT_EQ(decode(testfiles::pngFile(9, 6, PNG_COLOR_TYPE_RGB, 8), image), "");
    EXPECT_TRUE(samePixels(image, expected));
    ASSERT_EQ(decode(testfiles::pngFile(9, 6, PNG_COLOR_TYPE_RGB_ALPHA, 16, true), image), "");
    EXPECT_TRUE(samePixels(image, expected));   // the high bytes, alpha dropped, interlacing undone
    ASSERT_EQ(decode(testfiles::pngFile(9, 6, PNG_COLOR_TYPE_GRAY, 16), image), "");
    EXPECT_EQ(image.at(8, 5).r, expected.at(8, 5).r);
    EXPECT_EQ(image.at(8, 5).b, expected.at(8, 5).r);
    ASSERT_EQ(decode(testfiles::pngFile(9, 6, PNG_COLOR_TYPE_PALETTE, 8), image), "");
    EXPECT_EQ(image.at(8, 5).g, 255 - 13);
}

TEST_F(ImageDecoding, ReadsBaselineAndProgressiveJpegCloseToTheirPixels) {
    const RgbImage expected = testfiles::gradient(40, 24);
    for (bool progressive : {false, true}) {
        RgbImage image;
        ASSERT_EQ(decode(testfiles::jpegFile(40, 24, progressive), image), "") << progressive;
        ASSERT_EQ(image.width, 40);
        ASSERT_EQ(image.height, 24);
        long error = 0;
        for (std::size_t i = 0; i < image.pixels.size(); ++i)
            error += std::abs(image.pixels[i].g - expected.pixels[i].g);
        EXPECT_LT(error / static_cast<long>(image.pixels.size()), 4) << progressive;
    }
}

TEST_F(ImageDecoding, RefusesSizesBeyondTheLimitsFromTheHeader) {
    const ImageLimits small = {64, 1000};
    const std::vector<Bytes> files = {testfiles::bmpFile(8, 8, 24), testfiles::pngFile(8, 8, PNG_COLOR_TYPE_RGB, 8),
                                      testfiles::jpegFile(8, 8)};
    for (const Bytes& file : files) {
        EXPECT_EQ(problemOf(testfiles::withStatedSize(file, 65, 8), small),
                  "is 65x8 pixels; at most 64 pixels a side can be read; scale it down");
        EXPECT_EQ(problemOf(testfiles::withStatedSize(file, 40, 40), small),
                  "is 40x40 pixels; at most 1000 pixels in all can be read; scale it down");
    }
    EXPECT_EQ(problemOf(testfiles::withStatedSize(files[1], 0, 8)), "is 0x8 pixels, an image without pixels");
    EXPECT_EQ(problemOf(testfiles::withStatedSize(files[0], 0, 8)), "is a BMP file with an invalid size in its header");
}

TEST_F(ImageDecoding, RefusesDamagedFilesInsteadOfGuessingTheirPixels) {
    const Bytes bmp = testfiles::bmpFile(16, 16, 24);
    EXPECT_EQ(problemOf(Bytes(bmp.begin(), bmp.end() - 1)),
              "is a truncated BMP file: its header promises more pixels than it holds");
    EXPECT_EQ(problemOf(Bytes(bmp.begin(), bmp.begin() + 30)), "is a BMP file too short to hold its headers");
    Bytes compressed = bmp;
    compressed[30] = 1;
    EXPECT_EQ(problemOf(compressed), "is a compressed BMP file; save it uncompressed");
    Bytes twoBit = testfiles::bmpFile(16, 16, 2, 4);
    EXPECT_EQ(problemOf(twoBit), "is a BMP file of 2 bits a pixel; save it as a 24-bit BMP");
    // Five colours listed, indices up to 7 used.
    Bytes shortPalette = testfiles::bmpFile(16, 16, 4, 16);
    shortPalette[46] = 5;
    EXPECT_EQ(problemOf(shortPalette), "is a BMP file whose pixels use colours its palette lacks");

    const Bytes png = testfiles::pngFile(64, 64, PNG_COLOR_TYPE_RGB, 8);
    EXPECT_EQ(problemOf(Bytes(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2))).rfind(
                  "is a PNG file that cannot be decoded (", 0),
              0u);
    const Bytes jpeg = testfiles::jpegFile(64, 64);
    for (std::size_t cut : {std::size_t{3}, std::size_t{200}, jpeg.size() / 2, jpeg.size() - 2})
        EXPECT_EQ(problemOf(Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(cut))).rfind(
                      "is a JPEG file that cannot be decoded (", 0),
                  0u)
            << cut;
}

TEST_F(ImageDecoding, NamesTheFormatsItReads) {
    const std::string refused =
        "is not a BMP, PNG or JPEG file, the formats that are read; save it as one of them";
    const Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0, 0x80, 32, 0};
    EXPECT_EQ(problemOf(tga), refused);
    EXPECT_EQ(problemOf({0x0a, 5, 1, 8, 0, 0, 0, 0}), refused);   // PCX
    EXPECT_EQ(problemOf({'B'}), refused);
    EXPECT_EQ(problemOf({}), "is empty");
}

TEST_F(ImageDecoding, OpensOnlyRegularFiles) {
    RgbImage image;
    std::filesystem::create_directory(dir / "folder");
    EXPECT_EQ(readImageFile((dir / "folder").string(), kRoomy, image), "is a folder, not a file");
    EXPECT_EQ(readImageFile("/dev/zero", kRoomy, image), "is a device, not a regular file");
    InputFile missing;
    EXPECT_EQ(missing.open((dir / "none").string()), "does not exist");
    EXPECT_TRUE(missing.missing());
    // A FIFO without a writer would block a plain open for ever.
    ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
    const testchild::ChildRun run = testchild::runInChild([&] {
        alarm(10);
        return readImageFile((dir / "fifo").string(), kRoomy, image) == "is a named pipe (FIFO), not a regular file" ? 0 : 1;
    });
    EXPECT_EQ(run.signal, 0);
    EXPECT_EQ(run.exitStatus, 0);
}

}  // namespace
}  // namespace elevation

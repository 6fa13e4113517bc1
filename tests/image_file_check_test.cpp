// The image file checks: which headers reach Irrlicht's readers and which are refused.
#include <gtest/gtest.h>

#include <irrlicht.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/height_image.h"   // kHeightImageFile
#include "app/image_file_check.h"
#include "scratch_fixture.h"

namespace flyover {
namespace {

using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kDataOffsetAt = 10;
constexpr std::size_t kWidthAt = 18;
constexpr std::size_t kHeightAt = 22;
constexpr std::size_t kCompressionAt = 30;
constexpr std::size_t kDataSizeAt = 34;

void putLe32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (std::size_t k = 0; k < 4; ++k) b[at + k] = static_cast<std::uint8_t>(v >> (8 * k));
}

// A complete, uncompressed BMP: headers, a grey palette of paletteColours entries and
// width x height pixels of the given depth, rows padded to 32-bit words.
Bytes bmpFile(std::uint32_t width, std::uint32_t height, std::uint16_t bits,
              std::uint32_t paletteColours = 0) {
    const std::uint32_t rowBytes = (width * bits + 31) / 32 * 4;
    const std::uint32_t offset = static_cast<std::uint32_t>(kBmpHeaderBytes) + 4 * paletteColours;
    Bytes b(offset + rowBytes * height, 0);
    b[0] = 'B', b[1] = 'M';
    putLe32(b, 2, static_cast<std::uint32_t>(b.size()));
    putLe32(b, kDataOffsetAt, offset);
    putLe32(b, 14, 40);   // BITMAPINFOHEADER
    putLe32(b, kWidthAt, width);
    putLe32(b, kHeightAt, height);
    b[26] = 1;   // colour planes
    b[28] = static_cast<std::uint8_t>(bits);
    putLe32(b, kDataSizeAt, rowBytes * height);
    for (std::uint32_t c = 0; c < paletteColours; ++c)
        for (std::size_t k = 0; k < 3; ++k)
            b[kBmpHeaderBytes + 4 * c + k] = static_cast<std::uint8_t>(c);
    return b;
}

std::uint32_t widthOf(const Bytes& file) {
    std::uint32_t v = 0;
    for (std::size_t k = 4; k-- > 0;) v = (v << 8) | file[kWidthAt + k];
    return v;
}

Bytes headOf(const Bytes& file) {
    return Bytes(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(
                                                  std::min(file.size(), kImageHeadBytes)));
}

std::string bmpProblem(const Bytes& file) { return checkBmpHeader(headOf(file), file.size()); }

Bytes pngHead(std::uint32_t width, std::uint32_t height) {
    Bytes b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R'};
    for (std::uint32_t v : {width, height})
        for (int k = 3; k >= 0; --k) b.push_back(static_cast<std::uint8_t>(v >> (8 * k)));
    b.resize(b.size() + 5, 0);
    return b;
}

TEST(BmpHeaderCheck, AcceptsCompleteFilesOfEveryDepthTheReaderKnows) {
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 24)), "");
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 32)), "");
    EXPECT_EQ(bmpProblem(bmpFile(6, 2, 16)), "");
    EXPECT_EQ(bmpProblem(bmpFile(9, 4, 1, 2)), "");
    EXPECT_EQ(bmpProblem(bmpFile(7, 3, 4, 16)), "");
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 8, 256)), "");
}

TEST(BmpHeaderCheck, RefusesFilesShorterThanTheirRows) {
    Bytes file = bmpFile(3, 3, 24);   // rows of 9 bytes padded to 12
    file.pop_back();
    EXPECT_EQ(bmpProblem(file),
              "is a truncated BMP file: its header promises more pixels than it holds");
    EXPECT_EQ(checkBmpHeader(Bytes(file.begin(), file.begin() + 20), 20),
              "is a BMP file too short to hold its headers");
}

TEST(BmpHeaderCheck, RefusesSizesTheReaderMisreads) {
    Bytes file = bmpFile(4, 4, 24);
    putLe32(file, kHeightAt, static_cast<std::uint32_t>(-4));
    EXPECT_EQ(bmpProblem(file), "is a top-down BMP file, which Irrlicht's reader cannot decode");
    putLe32(file, kHeightAt, 4);
    putLe32(file, kWidthAt, 0);
    EXPECT_EQ(bmpProblem(file), "is a BMP file with an invalid size in its header");
    // 6,000,000 pixels of 3 bytes: rows past what the reader can size exactly, however
    // large the file claims to be.
    putLe32(file, kWidthAt, 6000000);
    putLe32(file, kHeightAt, 1);
    EXPECT_EQ(checkBmpHeader(headOf(file), std::uintmax_t{1} << 40),
              "is a BMP file too wide for Irrlicht's reader");
}

TEST(BmpHeaderCheck, RefusesSixteenBitRowsWithPadding) {
    EXPECT_EQ(bmpProblem(bmpFile(15, 16, 16)),
              "is a BMP file of 16 bits per pixel and odd width, which Irrlicht's reader decodes "
              "wrongly");
    EXPECT_EQ(bmpProblem(bmpFile(14, 16, 16)), "");
}

TEST(BmpHeaderCheck, RefusesCompressedFiles) {
    // 8- and 4-bit run lengths, and bit fields.
    for (std::uint32_t compression : {1u, 2u, 3u}) {
        Bytes file = bmpFile(4, 4, compression == 2 ? 4 : 8, compression == 2 ? 16 : 256);
        putLe32(file, kCompressionAt, compression);
        EXPECT_EQ(
            bmpProblem(file),
            "is a compressed BMP file; Irrlicht's reader decodes only uncompressed ones safely");
    }
}

TEST(BmpHeaderCheck, RefusesDepthsTheReaderDoesNotDecode) {
    EXPECT_EQ(bmpProblem(bmpFile(4, 4, 2)),
              "is a BMP file of 2 bits per pixel, which Irrlicht's reader cannot decode");
    EXPECT_EQ(bmpProblem(bmpFile(4, 4, 48)),
              "is a BMP file of 48 bits per pixel, which Irrlicht's reader cannot decode");
}

TEST(BmpHeaderCheck, PalettedImagesNeedAColourForEveryPixelValue) {
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 8, 255)),
              "is a BMP file of 8 bits per pixel with fewer than 256 palette colours");
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 8, 0)),
              "is a BMP file of 8 bits per pixel with fewer than 256 palette colours");
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 4, 15)),
              "is a BMP file of 4 bits per pixel with fewer than 16 palette colours");
    EXPECT_EQ(bmpProblem(bmpFile(3, 3, 4, 16)), "");
}

TEST(BmpHeaderCheck, PixelDataMayNotStartInsideTheHeaders) {
    Bytes file = bmpFile(2, 2, 24);
    putLe32(file, kDataOffsetAt, kBmpHeaderBytes - 1);
    EXPECT_EQ(bmpProblem(file), "is a BMP file whose pixel data overlaps its headers");
}

TEST(BmpHeaderCheck, TheStatedDataSizeMustCoverThePixelsAndFitTheFile) {
    Bytes file = bmpFile(16, 16, 24);   // 768 bytes of pixels
    putLe32(file, kDataSizeAt, 0);      // unstated: the reader takes the rest of the file
    EXPECT_EQ(bmpProblem(file), "");
    putLe32(file, kDataSizeAt, 765);   // the reader rounds this up to 768
    EXPECT_EQ(bmpProblem(file), "");
    putLe32(file, kDataSizeAt, 764);
    EXPECT_EQ(bmpProblem(file),
              "is a BMP file whose header gives its pixels too few bytes of data");
    putLe32(file, kDataSizeAt, static_cast<std::uint32_t>(file.size() + 1));
    EXPECT_EQ(bmpProblem(file), "is a BMP file whose header claims more pixel data than it holds");
}

TEST(ImageHeadCheck, OnlyBmpAndPngReachTheReaders) {
    EXPECT_EQ(imageHeadProblem(pngHead(kMaxImageSide, 2), 100), "");
    EXPECT_EQ(imageHeadProblem(pngHead(2, kMaxImageSide + 1), 100),
              "is a PNG file of 2x32770 pixels; at most 32769 a side can become a terrain");
    Bytes truncated = bmpFile(3, 3, 24);
    truncated.pop_back();
    EXPECT_EQ(imageHeadProblem(headOf(truncated), truncated.size()), bmpProblem(truncated));
    const std::string refused =
        "is neither a BMP nor a PNG file (Irrlicht's other image readers can crash on damaged "
        "files); "
        "save it as a 24-bit BMP";
    EXPECT_EQ(imageHeadProblem({0xff, 0xd8, 0xff, 0xe0, 0, 16, 'J', 'F', 'I', 'F'}, 2000),
              refused);                                            // JPEG
    EXPECT_EQ(imageHeadProblem({0x0a, 5, 1, 8}, 2000), refused);   // PCX
    EXPECT_EQ(imageHeadProblem({'B'}, 1), refused);
}

class ImageFile : public ScratchFixture {
protected:
    std::string write(const char* name, const Bytes& bytes) {
        const std::string path = (dir / name).string();
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
        return path;
    }
};

TEST_F(ImageFile, WhatPassesTheCheckLoads) {
    for (const Bytes& file : {bmpFile(3, 3, 24), bmpFile(2, 2, 8, 256), bmpFile(5, 5, 4, 16),
                              bmpFile(9, 9, 1, 2), bmpFile(6, 6, 16), bmpFile(4, 4, 32)}) {
        const std::string path = write(kHeightImageFile, file);
        EXPECT_EQ(imageFileProblem(path.c_str()), "");
        irr::video::IImage* image = driver->createImageFromFile(path.c_str());
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->getDimension().Width, widthOf(file));
        image->drop();
    }
    // A PNG as Irrlicht itself writes it.
    irr::video::IImage* grey =
        driver->createImage(irr::video::ECF_R8G8B8, irr::core::dimension2du(4, 4));
    const std::string png = (dir / "grey.png").string();
    ASSERT_TRUE(driver->writeImageToFile(grey, png.c_str()));
    grey->drop();
    EXPECT_EQ(imageFileProblem(png.c_str()), "");
}

TEST_F(ImageFile, ReadsTheHeadAndSizeFromDisk) {
    Bytes file = bmpFile(16, 16, 24);
    file.resize(file.size() / 2);
    const std::string path = write(kHeightImageFile, file);
    EXPECT_EQ(imageFileProblem(path.c_str()),
              "is a truncated BMP file: its header promises more pixels than it holds");
    EXPECT_EQ(imageFileProblem(write("short.bmp", {'B', 'M', 0}).c_str()),
              "is a BMP file too short to hold its headers");
    EXPECT_EQ(imageFileProblem((dir / "missing").string().c_str()), "");   // left to the loader
}

}  // namespace
}  // namespace flyover

// Checks that keep image files away from Irrlicht 1.8's image readers where those would
// read or write past their buffers: the readers trust what a file's header says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace flyover {

// Bytes of a BMP file's headers (file header and BITMAPINFOHEADER) that checkBmpHeader reads.
constexpr std::size_t kBmpHeaderBytes = 54;

// `head` is the start of the file (up to kBmpHeaderBytes bytes) and fileSize its whole
// size. Returns a one-line reason, starting with "is", when Irrlicht's BMP reader would
// mishandle the file, or an empty string when it is safe to decode or is not a BMP at all.
// The fields are read as that reader reads them, whatever the header's own size says.
std::string checkBmpHeader(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize);

// Bytes at the start of a file that imageFileProblem reads.
constexpr std::size_t kImageHeadBytes = kBmpHeaderBytes;
// The largest grid the terrain engine builds is 32769 samples a side.
constexpr std::uint32_t kMaxImageSide = 32769;

// The fly-over's check of its height image file, from the file's start (up to
// kImageHeadBytes bytes) and whole size: a BMP file must pass checkBmpHeader, a PNG file
// may be at most kMaxImageSide pixels a side (its reader allocates the claimed size
// before reading a pixel), and any other format is refused, since Irrlicht's readers
// for JPEG, PCX and the rest read past their buffers on damaged files. Returns a one-line
// reason starting with "is", or an empty string.
std::string imageHeadProblem(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize);

// imageHeadProblem for a file on disk; an empty string when the file cannot be read,
// which the image loader then reports.
std::string imageFileProblem(const char* fileName);

// The pixel size a BMP or PNG file's header claims; false for other files or a header
// too short to say.
bool imageFileSize(const char* fileName, std::uint32_t* width, std::uint32_t* height);

}  // namespace flyover

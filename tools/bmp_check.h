#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sample_terrain {

// Bytes of a BMP file's headers that checkBmpHeader looks at.
constexpr std::size_t kBmpHeaderBytes = 54;

// Irrlicht 1.8's BMP reader trusts the header and reads past the end of a truncated file,
// which crashes; so BMP inputs are vetted first. `head` is the start of the file. Returns a
// one-line reason when the file would be unsafe to decode, or an empty string when it is
// fine or is not a BMP at all.
std::string checkBmpHeader(const std::vector<std::uint8_t>& head, std::uintmax_t fileSize);

}  // namespace sample_terrain

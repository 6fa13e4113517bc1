// A file in a temporary folder of the fuzzing process, written afresh for every input, for
// targets that read their input from disk as the fly-over does.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>

namespace fuzzcheck {

// Writes the input to `name` in the process's temporary folder (made on the first call,
// removed at exit) and returns the file's path.
std::filesystem::path writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size);

}  // namespace fuzzcheck

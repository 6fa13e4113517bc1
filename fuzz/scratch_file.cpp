#include "fuzz/scratch_file.h"

#include <cstdlib>
#include <fstream>
#include <string>
#include <system_error>

#include "fuzz/fan_checks.h"

namespace fuzzcheck {

namespace {

namespace fs = std::filesystem;

// Made on the first call and kept to the end of the process.
fs::path* theFolder = nullptr;

void removeFolder() {
    std::error_code ec;
    fs::remove_all(*theFolder, ec);
}

}  // namespace

fs::path writeScratchFile(const char* name, const std::uint8_t* data, std::size_t size) {
    if (!theFolder) {
        std::string pattern = (fs::temp_directory_path() / "fuzz_scratch.XXXXXX").string();
        if (!mkdtemp(pattern.data())) fail("no temporary folder");
        theFolder = new fs::path(pattern);
        std::atexit(removeFolder);
    }
    const fs::path file = *theFolder / name;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
    if (!out) fail("cannot write the scratch file");
    return file;
}

}  // namespace fuzzcheck

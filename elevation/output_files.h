// Writing a set of files into one folder so that either all of them take their names or
// none does, and no existing file is lost on the way.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace elevation {

struct OutputFile {
    std::string name;                  // within the folder
    std::vector<std::uint8_t> bytes;
};

// What keeps `names` from being written into `folder`, or an empty string: a name that is
// taken by a folder or other non-file, or, unless `replace`, taken at all. A symbolic link
// at a name counts as taken; with `replace` it is replaced itself, never followed.
std::string outputNamesProblem(const std::filesystem::path& folder,
                               const std::vector<std::string>& names, bool replace);

// Writes each file to a temporary file beside its name, flushes them all to disk, and
// only then renames them onto their names. On failure the temporaries are removed,
// nothing is renamed, and the result is one line naming the file and the cause
// ("cannot write 'out/zovodivuvi.jpg' (No space left on device); ...").
std::string writeFilesTogether(const std::filesystem::path& folder,
                               const std::vector<OutputFile>& files, bool replace);

}  // namespace elevation

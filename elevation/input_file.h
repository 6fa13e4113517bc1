// Opening a file that is to be read whole: only regular files are opened at all.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

namespace elevation {

class InputFile {
public:
    InputFile() = default;
    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // Opens `path` for reading. Returns an empty string, or a clause such as "does not exist"
    // or "is a named pipe (FIFO), not a regular file". Folders, FIFOs, devices and sockets
    // are refused without reading them: a FIFO would wait for a writer forever, and a device
    // may never end.
    std::string open(const std::string& path);

    bool missing() const { return missing_; }   // the last open found no such file
    std::FILE* stream() const { return stream_; }
    std::uint64_t size() const { return size_; }

private:
    std::FILE* stream_ = nullptr;
    std::uint64_t size_ = 0;
    bool missing_ = false;
};

// Why `path` is not a regular file that can be read, from its status alone (nothing is
// opened), or an empty string; the same clauses as InputFile::open.
std::string regularFileProblem(const std::string& path, bool* missing = nullptr);

}  // namespace elevation

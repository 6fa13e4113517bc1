#include "elevation/input_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace elevation {

namespace {

// What a file of this type is, for a refusal; empty for a regular file.
std::string notRegular(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return "is a folder, not a file";
    if (S_ISFIFO(mode)) return "is a named pipe (FIFO), not a regular file";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "is a device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}

std::string cannotOpen(int error) {
    if (error == ENOENT) return "does not exist";
    return std::string("cannot be opened (") + std::strerror(error) + ")";
}

}  // namespace

std::string regularFileProblem(const std::string& path, bool* missing) {
    struct stat status {};
    const bool found = ::stat(path.c_str(), &status) == 0;
    const int error = errno;
    if (missing) *missing = !found && error == ENOENT;
    return found ? notRegular(status.st_mode) : cannotOpen(error);
}

InputFile::~InputFile() {
    if (stream_) std::fclose(stream_);
}

std::string InputFile::open(const std::string& path) {
    if (stream_) std::fclose(stream_);
    stream_ = nullptr;
    size_ = 0;
    if (std::string problem = regularFileProblem(path, &missing_); !problem.empty()) return problem;
    // The file may be swapped for a FIFO after the check: opening without blocking and
    // checking what was opened closes that gap.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        missing_ = errno == ENOENT;
        return cannotOpen(errno);
    }
    struct stat status {};
    std::string problem = ::fstat(fd, &status) == 0 ? notRegular(status.st_mode) : cannotOpen(errno);
    if (problem.empty() && ::fcntl(fd, F_SETFL, O_RDONLY) != 0) problem = cannotOpen(errno);
    if (problem.empty() && !(stream_ = ::fdopen(fd, "rb"))) problem = cannotOpen(errno);
    if (!problem.empty()) {
        ::close(fd);
        return problem;
    }
    size_ = static_cast<std::uint64_t>(status.st_size);
    return {};
}

}  // namespace elevation

#include "elevation/output_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace elevation {

namespace fs = std::filesystem;

namespace {

// Tries at a temporary name that no other run holds.
constexpr int kTemporaryNameTries = 100;
// Read and write for everyone the umask allows, as for any file a program creates.
constexpr mode_t kFileMode = 0666;

std::string quoted(const fs::path& path) { return "'" + path.string() + "'"; }

std::string cannotWrite(const fs::path& path, int error) {
    return "cannot write " + quoted(path) + " (" + std::strerror(error) + ")";
}

// A temporary file that removes itself unless it was renamed onto its name.
class Temporary {
public:
    Temporary() = default;
    Temporary(const Temporary&) = delete;
    Temporary& operator=(const Temporary&) = delete;
    ~Temporary() {
        if (fd_ >= 0) ::close(fd_);
        if (!path_.empty()) ::unlink(path_.c_str());
    }

    // Creates the file beside `target` and writes `bytes` to disk.
    std::string write(const fs::path& target, const std::vector<std::uint8_t>& bytes) {
        for (int k = 0; k < kTemporaryNameTries && fd_ < 0; ++k) {
            const fs::path candidate = target.parent_path() /
                ("." + target.filename().string() + "." + std::to_string(::getpid()) + "-" +
                 std::to_string(k) + ".partial");
            fd_ = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, kFileMode);
            if (fd_ >= 0) path_ = candidate;
            else if (errno != EEXIST) return cannotWrite(target, errno);
        }
        if (fd_ < 0) return cannotWrite(target, EEXIST);
        for (std::size_t done = 0; done < bytes.size();) {
            const ssize_t written = ::write(fd_, bytes.data() + done, bytes.size() - done);
            if (written < 0 && errno == EINTR) continue;
            if (written <= 0) return cannotWrite(target, written < 0 ? errno : ENOSPC);
            done += static_cast<std::size_t>(written);
        }
        const int closed = ::fsync(fd_) == 0 ? ::close(fd_) : -1;
        const int error = errno;
        if (closed != 0) ::close(fd_);
        fd_ = -1;
        return closed == 0 ? std::string() : cannotWrite(target, error);
    }

    // Renames the file onto `target`; a link there is replaced, not followed.
    std::string moveTo(const fs::path& target) {
        if (::rename(path_.c_str(), target.c_str()) != 0) return cannotWrite(target, errno);
        path_.clear();
        return {};
    }

private:
    int fd_ = -1;
    fs::path path_;
};

}  // namespace

std::string outputNamesProblem(const fs::path& folder, const std::vector<std::string>& names,
                               bool replace) {
    for (const std::string& name : names) {
        const fs::path path = folder / name;
        struct stat status {};
        if (::lstat(path.c_str(), &status) != 0) continue;
        if (!S_ISREG(status.st_mode) && !S_ISLNK(status.st_mode))
            return quoted(path) + " exists and is not a file; move it away or choose another --out";
        if (!replace)
            return quoted(path) + " already exists; pass --force to replace it, or choose another --out";
    }
    return {};
}

std::string writeFilesTogether(const fs::path& folder, const std::vector<OutputFile>& files,
                               bool replace) {
    std::vector<std::string> names;
    for (const OutputFile& file : files) names.push_back(file.name);
    if (std::string problem = outputNamesProblem(folder, names, replace); !problem.empty())
        return problem;
    std::vector<Temporary> temporaries(files.size());
    for (std::size_t k = 0; k < files.size(); ++k)
        if (std::string problem = temporaries[k].write(folder / files[k].name, files[k].bytes); !problem.empty())
            return problem + "; nothing was replaced; check the free space and permissions of " +
                   quoted(folder) + " or choose another --out";
    // Renames within one folder fail only if the folder changes under the tool.
    for (std::size_t k = 0; k < files.size(); ++k)
        if (std::string problem = temporaries[k].moveTo(folder / files[k].name); !problem.empty())
            return problem + (k == 0 ? "; nothing was replaced" : "; only the files before it were replaced");
    return {};
}

}  // namespace elevation

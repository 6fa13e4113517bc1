// Runs a piece of a test in a child process, to see what it costs and how it ends: a
// hostile input must neither end in a signal nor take more than its share of memory.
#pragma once

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace testchild {

struct ChildRun {
    int exitStatus = -1;            // -1 when it ended by a signal
    int signal = 0;                 // the signal that ended it, or 0
    std::uint64_t peakBytes = 0;    // its largest resident set
};

constexpr std::uint64_t kGibibyte = std::uint64_t{1} << 30;
constexpr std::uint64_t kBytesPerKilobyte = 1024;

// Forks, runs `body` in the child and exits with its result.
inline ChildRun runInChild(const std::function<int()>& body) {
    ChildRun run;
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    rusage usage{};
    if (pid < 0 || wait4(pid, &status, 0, &usage) != pid) return run;
    if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
    run.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * kBytesPerKilobyte;
    return run;
}

// Runs answer(0) .. answer(count - 1) in one child process and brings each one-line answer
// back in *answers, so that a test can check them where a crash cannot take it along.
inline ChildRun answersFromChild(std::size_t count, const std::function<std::string(std::size_t)>& answer,
                                 std::vector<std::string>* answers) {
    char path[] = "/tmp/child_answers.XXXXXX";
    const int fd = mkstemp(path);
    if (fd >= 0) close(fd);
    const ChildRun run = runInChild([&] {
        std::ofstream out(path);
        for (std::size_t k = 0; k < count; ++k) out << answer(k) << std::endl;
        return 0;
    });
    answers->clear();
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) answers->push_back(line);
    std::remove(path);
    return run;
}

// Runs a shell command line in a child process; with fileSizeLimit, writes beyond that
// many bytes fail as they do on a full disk (with EFBIG instead of ENOSPC).
inline ChildRun runCommand(const std::string& command, rlim_t fileSizeLimit = RLIM_INFINITY) {
    return runInChild([&] {
        if (fileSizeLimit != RLIM_INFINITY) {
            signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        return 127;
    });
}

}  // namespace testchild

#pragma once

// Runs a command-line tool as a separate process in a fresh scratch folder, and reads back
// what it printed and the images it wrote.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "child_process.h"
#include "elevation/image_decoding.h"
#include "scratch_folder.h"

class ToolProcessTest : public ScratchFolder {
protected:
    // Runs `tool` with the given (shell-quoted) arguments, its files limited to
    // fileSizeLimit bytes; returns its exit status, -1 for a signal. lastRun keeps the rest.
    int runTool(const std::string& tool, const std::string& args, rlim_t fileSizeLimit = RLIM_INFINITY) {
        lastRun = testchild::runCommand("exec '" + tool + "' " + args + " >'" + (dir / "stdout").string() + "' 2>'" +
                                            (dir / "stderr").string() + "'",
                                        fileSizeLimit);
        return lastRun.exitStatus;
    }
    std::vector<std::string> lines(const char* stream) const {
        std::ifstream in(dir / stream);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // The image in the file; empty when it cannot be read.
    elevation::RgbImage load(const std::filesystem::path& path) {
        elevation::RgbImage image;
        EXPECT_EQ(elevation::readImageFile(path.string(), {16384, std::uint64_t{1} << 28}, image), "") << path;
        return image;
    }

    testchild::ChildRun lastRun;
};

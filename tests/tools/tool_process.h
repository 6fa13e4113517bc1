#pragma once

// Runs a command-line tool as a separate process in a fresh scratch folder, and reads back
// what it printed and the images it wrote.

#include <gtest/gtest.h>
#include <irrlicht.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "scratch_fixture.h"

class ToolProcessTest : public ScratchFixture {
protected:
    // Runs `tool` with the given (shell-quoted) arguments; returns its exit status.
    int runTool(const std::string& tool, const std::string& args) {
        const std::string command = "'" + tool + "' " + args + " >'" + (dir / "stdout").string() + "' 2>'" +
                                    (dir / "stderr").string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<std::string> lines(const char* stream) const {
        std::ifstream in(dir / stream);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // Owned by the caller, who drops it; null when the file cannot be read.
    irr::video::IImage* load(const std::filesystem::path& path) {
        return driver->createImageFromFile(path.string().c_str());
    }
};

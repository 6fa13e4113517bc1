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

class ToolProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("sample_terrain_" + std::string(test->test_suite_name()) + "_" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        irr::SIrrlichtCreationParameters params;
        params.DriverType = irr::video::EDT_NULL;
        params.LoggingLevel = irr::ELL_NONE;
        device_ = irr::createDeviceEx(params);
        ASSERT_NE(device_, nullptr);
    }
    void TearDown() override {
        if (device_) device_->drop();
        std::filesystem::remove_all(dir_);
    }

    // Runs `tool` with the given (shell-quoted) arguments; returns its exit status.
    int runTool(const std::string& tool, const std::string& args) {
        const std::string command = "'" + tool + "' " + args + " >'" + (dir_ / "stdout").string() + "' 2>'" +
                                    (dir_ / "stderr").string() + "'";
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    std::vector<std::string> lines(const char* stream) const {
        std::ifstream in(dir_ / stream);
        std::vector<std::string> out;
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    // Owned by the caller, who drops it; null when the file cannot be read.
    irr::video::IImage* load(const std::filesystem::path& path) {
        return device_->getVideoDriver()->createImageFromFile(path.string().c_str());
    }

    std::filesystem::path dir_;
    irr::IrrlichtDevice* device_ = nullptr;
};

// Tests that write files: a scratch folder named after the test, gone after it.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

class ScratchFolder : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("scratch_" + std::string(test->test_suite_name()) + "_" + test->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    std::filesystem::path dir;
};

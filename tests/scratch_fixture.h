// Tests that write files and read them back through Irrlicht: a scratch folder named
// after the test and a quiet device on the null driver, both gone after the test.
#pragma once

#include <gtest/gtest.h>
#include <irrlicht.h>

#include <filesystem>
#include <string>

class ScratchFixture : public ::testing::Test {
protected:
    void SetUp() override {
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = std::filesystem::temp_directory_path() /
              ("scratch_" + std::string(test->test_suite_name()) + "_" + test->name());
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        irr::SIrrlichtCreationParameters params;
        params.DriverType = irr::video::EDT_NULL;
        params.LoggingLevel = irr::ELL_NONE;
        device = irr::createDeviceEx(params);
        ASSERT_NE(device, nullptr);
        driver = device->getVideoDriver();
    }
    void TearDown() override {
        if (device) device->drop();
        std::filesystem::remove_all(dir);
    }

    std::filesystem::path dir;
    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
};

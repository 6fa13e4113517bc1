// Tests that read files back through Irrlicht: a scratch folder and a quiet device on the
// null driver.
#pragma once

#include <gtest/gtest.h>
#include <irrlicht.h>

#include "scratch_folder.h"

class ScratchFixture : public ScratchFolder {
protected:
    void SetUp() override {
        ScratchFolder::SetUp();
        irr::SIrrlichtCreationParameters params;
        params.DriverType = irr::video::EDT_NULL;
        params.LoggingLevel = irr::ELL_NONE;
        device = irr::createDeviceEx(params);
        ASSERT_NE(device, nullptr);
        driver = device->getVideoDriver();
    }
    void TearDown() override {
        if (device) device->drop();
        ScratchFolder::TearDown();
    }

    irr::IrrlichtDevice* device = nullptr;
    irr::video::IVideoDriver* driver = nullptr;
};

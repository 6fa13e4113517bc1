#include "app/device.h"

#include <initializer_list>

namespace flyover {

namespace {
constexpr irr::u32 kColourBits = 16;
}

irr::IrrlichtDevice* createFlyoverDevice() {
    const irr::core::dimension2du size(kWindowWidth, kWindowHeight);
    for (irr::video::E_DRIVER_TYPE type : {irr::video::EDT_OPENGL, irr::video::EDT_BURNINGSVIDEO}) {
        irr::IrrlichtDevice* device = irr::createDevice(type, size, kColourBits,
                                                        /*fullscreen=*/false,
                                                        /*stencilbuffer=*/false,
                                                        /*vsync=*/false, /*receiver=*/nullptr);
        if (device) return device;
    }
    return nullptr;
}

}  // namespace flyover

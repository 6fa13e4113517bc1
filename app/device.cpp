#include "app/device.h"

#include <initializer_list>

namespace flyover {

namespace {
constexpr irr::u32 kColourBits = 16;
constexpr irr::u8 kFlightColourBits = 32;
constexpr irr::u8 kFlightDepthBits = 24;
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

irr::IrrlichtDevice* createFlightDevice(DriverChoice driver, irr::u32 width, irr::u32 height,
                                        irr::IEventReceiver* receiver) {
    irr::SIrrlichtCreationParameters parameters;
    parameters.WindowSize = irr::core::dimension2du(width, height);
    parameters.Bits = kFlightColourBits;
    parameters.ZBufferBits = kFlightDepthBits;
    parameters.EventReceiver = receiver;
    parameters.LoggingLevel = irr::ELL_ERROR;
    switch (driver) {
        case DriverChoice::kNull: parameters.DriverType = irr::video::EDT_NULL; break;
        case DriverChoice::kSoftware: parameters.DriverType = irr::video::EDT_BURNINGSVIDEO; break;
        default: parameters.DriverType = irr::video::EDT_OPENGL; break;
    }
    irr::IrrlichtDevice* device = irr::createDeviceEx(parameters);
    if (!device && driver == DriverChoice::kAny) {
        parameters.DriverType = irr::video::EDT_BURNINGSVIDEO;
        device = irr::createDeviceEx(parameters);
    }
    return device;
}

FlightWindow openFlightWindow(const FlightOptions& options, irr::IEventReceiver* receiver, std::string& problem) {
    irr::IrrlichtDevice* device =
        createFlightDevice(options.driver, options.windowWidth, options.windowHeight, receiver);
    if (!device)
        problem = "cannot open a " + std::to_string(options.windowWidth) + "x" + std::to_string(options.windowHeight) +
                  " window with the chosen renderer; run it on a desktop or under an X server (is DISPLAY set?), "
                  "or choose another --driver";
    return FlightWindow(device, [](irr::IrrlichtDevice* d) { d->drop(); });
}

}  // namespace flyover

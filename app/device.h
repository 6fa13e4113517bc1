// The fly-over's window and renderer.
#pragma once

#include <irrlicht.h>

#include <memory>
#include <string>

#include "app/flight_options.h"

namespace flyover {

constexpr irr::u32 kWindowWidth = 640;
constexpr irr::u32 kWindowHeight = 480;

// A 640x480, 16-bit, windowed device with OpenGL, or Burning's Video where OpenGL
// cannot be created; null when neither can (no display, for one).
irr::IrrlichtDevice* createFlyoverDevice();

// A device for true-scale flight: the chosen driver (kAny: OpenGL, or Burning's Video where
// OpenGL cannot be created), a width x height window, 32-bit colour and a 24-bit depth
// buffer for distances of many kilometres, events to `receiver`, and only errors logged.
// Null when the driver cannot be created.
irr::IrrlichtDevice* createFlightDevice(DriverChoice driver, irr::u32 width, irr::u32 height,
                                        irr::IEventReceiver* receiver);

// The device of a true-scale flight as `options` ask, dropped with its owner; empty, with
// the one-line problem, where it cannot be had.
using FlightWindow = std::unique_ptr<irr::IrrlichtDevice, void (*)(irr::IrrlichtDevice*)>;
FlightWindow openFlightWindow(const FlightOptions& options, irr::IEventReceiver* receiver, std::string& problem);

}  // namespace flyover

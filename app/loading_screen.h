// What the window shows while a flight is being prepared: the stage in its caption and on
// the sky, instead of a black, untitled window.
#pragma once

#include <irrlicht.h>

#include <string>

namespace flyover {

class LoadingScreen {
public:
    LoadingScreen(irr::IrrlichtDevice* device, std::string name) : device_(device), name_(std::move(name)) {}
    // "Vellorin: loading N48E009.hgt: building the terrain map" in the caption and the window.
    void show(const std::string& stage);

private:
    irr::IrrlichtDevice* device_;
    std::string name_;
};

}  // namespace flyover

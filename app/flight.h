// True-scale flight over any scenery: the camera by hand or scripted, ground following,
// speed and height, sky and fog, the HUD and caption, screenshots, and the scripted mode's
// summary.
#pragma once

#include <irrlicht.h>

#include <memory>
#include <string>

#include "app/device.h"
#include "app/flight_keys.h"
#include "app/flight_options.h"
#include "app/loading_screen.h"
#include "app/scenery.h"
#include "elevation/georeference.h"

namespace flyover {

// Sky and fog.
const irr::video::SColor kFlightSkyColour(255, 150, 190, 230);

struct FlightLook {
    std::string name;                      // what is flown, for the caption
    elevation::Georeference georeference;  // for the positions shown
    double exaggeration = 1.0;
    irr::video::SMaterial material;        // the terrain's texture and settings
};

// The ground's material: unlit and fogged, the texture stretched over the ground and its
// edge beyond it.
irr::video::SMaterial groundMaterial(irr::video::ITexture* texture);

// Puts `message` on standard error as the fly-over's one line; returns the exit status, 1.
int flightFailure(const std::string& message);

// The problem with options' --at over `what` of columns x rows pixels, or an empty string.
std::string startOutside(const FlightOptions& options, const std::string& what, long columns, long rows);

// What a true-scale flight opens before its terrain: the keys, the window they are read
// from and the loading screen shown in it. Declared before the terrain, it is gone after it.
class FlightStage {
public:
    // Opens the window `options` ask for, showing `name` while loading; false, with the
    // problem, where it cannot be had.
    bool open(const FlightOptions& options, const std::string& name, std::string& problem);
    irr::IrrlichtDevice* device() const { return window_.get(); }
    FlightKeys& keys() { return keys_; }
    LoadingScreen& loading() { return *loading_; }

private:
    FlightKeys keys_;   // first: the window sends its events here until it is dropped
    FlightWindow window_{nullptr, [](irr::IrrlichtDevice*) {}};
    std::unique_ptr<LoadingScreen> loading_;
};

// Flies until Esc or the window closes, or for options.frames frames, after which it prints
// the summary line. Returns the exit status; a problem is one line on standard error.
int fly(irr::IrrlichtDevice* device, FlightKeys& keys, Scenery& scenery, const FlightOptions& options,
        const FlightLook& look);

}  // namespace flyover

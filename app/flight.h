// True-scale flight over any scenery: the camera by hand or scripted, ground following,
// speed and height, sky and fog, the HUD and caption, screenshots, and the scripted mode's
// summary.
#pragma once

#include <irrlicht.h>

#include <string>

#include "app/flight_keys.h"
#include "app/flight_options.h"
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

// Flies until Esc or the window closes, or for options.frames frames, after which it prints
// the summary line. Returns the exit status; a problem is one line on standard error.
int fly(irr::IrrlichtDevice* device, FlightKeys& keys, Scenery& scenery, const FlightOptions& options,
        const FlightLook& look);

}  // namespace flyover

// The one-line head-up display of true-scale flight.
#pragma once

#include <irrlicht.h>

#include <string>

namespace flyover {

struct HudFacts {
    std::string position;     // as Georeference::position gives it
    double ground = 0.0;      // ground elevation under the camera, in the file's units
    double aboveGround = 0.0; // camera height above it
    double speed = 0.0;       // per second
    bool metres = true;       // false: the file has no georeference, so its units are unknown
    int fps = 0;
    long triangles = 0;
};

// "48.50125N 9.49875E  ground 405 m  above ground 585 m  speed 880 m/s  60 fps  5123 triangles"
std::string hudLine(const HudFacts& facts);

// Draws `line` at the top of the screen, light on a dark band.
void drawHud(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const std::string& line);

}  // namespace flyover

#include "app/hud.h"

#include <cmath>
#include <cstdio>

namespace flyover {

namespace {

constexpr int kBufferSize = 64;
constexpr double kFineBelow = 10.0;   // amounts below this keep a decimal
const irr::video::SColor kBandColour(160, 0, 0, 0);
const irr::video::SColor kTextColour(255, 255, 255, 255);
constexpr irr::s32 kMargin = 4;

std::string amount(double value) {
    char text[kBufferSize];
    std::snprintf(text, sizeof text, std::fabs(value) < kFineBelow ? "%.1f" : "%.0f", value);
    return text;
}

}  // namespace

std::string hudLine(const HudFacts& f) {
    const std::string unit = f.metres ? " m" : " units";
    return f.position + "  ground " + amount(f.ground) + unit + "  above ground " + amount(f.aboveGround) + unit +
           "  speed " + amount(f.speed) + unit + "/s  " + std::to_string(f.fps) + " fps  " +
           std::to_string(f.triangles) + " triangles";
}

void drawHud(irr::video::IVideoDriver* driver, irr::gui::IGUIFont* font, const std::string& line) {
    if (!font) return;
    const irr::core::stringw text(line.c_str());
    const irr::core::dimension2du size = font->getDimension(text.c_str());
    const irr::s32 width = static_cast<irr::s32>(driver->getScreenSize().Width);
    const irr::s32 height = static_cast<irr::s32>(size.Height) + 2 * kMargin;
    driver->draw2DRectangle(kBandColour, irr::core::recti(0, 0, width, height));
    font->draw(text, irr::core::recti(kMargin, kMargin, width - kMargin, height), kTextColour);
}

}  // namespace flyover

#include "app/loading_screen.h"

#include "app/flight.h"

namespace flyover {

namespace {
const irr::video::SColor kTextColour(255, 40, 40, 40);
}

void LoadingScreen::show(const std::string& stage) {
    const std::string text = "loading " + name_ + ": " + stage;
    device_->setWindowCaption(irr::core::stringw(("Vellorin: " + text).c_str()).c_str());
    // Events pending since the last stage, a close among them, are taken now.
    device_->run();
    irr::video::IVideoDriver* driver = device_->getVideoDriver();
    const irr::core::dimension2du screen = driver->getScreenSize();
    driver->beginScene(true, true, kFlightSkyColour);
    if (irr::gui::IGUIFont* font = device_->getGUIEnvironment()->getBuiltInFont())
        font->draw(irr::core::stringw(text.c_str()), irr::core::recti(0, 0, screen.Width, screen.Height), kTextColour,
                   /*hcenter=*/true, /*vcenter=*/true);
    driver->endScene();
}

}  // namespace flyover

// The keys and the mouse wheel of true-scale flight, beside the camera's own (mouse look,
// arrows and W A S D): what the user asked for since the last frame.
#pragma once

#include <irrlicht.h>

namespace flyover {

struct FlightRequests {
    int speedSteps = 0;          // + / - and the wheel; each a step of kStepFactor
    int largeSpeedSteps = 0;     // the same with Shift, kLargeStepFactor
    int heightSteps = 0;         // Page Up / Page Down
    int largeHeightSteps = 0;
    bool toggleWireframe = false;
    bool screenshot = false;
    bool quit = false;
};

// Adds what one event asks for to `requests`; returns whether the event was one of these
// (the camera then does not see it).
bool takeEvent(const irr::SEvent& event, FlightRequests& requests);

class FlightKeys : public irr::IEventReceiver {
public:
    bool OnEvent(const irr::SEvent& event) override { return takeEvent(event, pending_); }
    // What was asked for since the last call.
    FlightRequests take() {
        const FlightRequests taken = pending_;
        pending_ = FlightRequests();
        return taken;
    }

private:
    FlightRequests pending_;
};

// The camera's own keys: arrows and W A S D.
constexpr int kCameraKeyCount = 8;
extern const irr::SKeyMap kCameraKeys[kCameraKeyCount];

}  // namespace flyover

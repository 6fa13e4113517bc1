#include "app/flight_keys.h"

namespace flyover {

const irr::SKeyMap kCameraKeys[kCameraKeyCount] = {
    {irr::EKA_MOVE_FORWARD, irr::KEY_UP},     {irr::EKA_MOVE_FORWARD, irr::KEY_KEY_W},
    {irr::EKA_MOVE_BACKWARD, irr::KEY_DOWN},  {irr::EKA_MOVE_BACKWARD, irr::KEY_KEY_S},
    {irr::EKA_STRAFE_LEFT, irr::KEY_LEFT},    {irr::EKA_STRAFE_LEFT, irr::KEY_KEY_A},
    {irr::EKA_STRAFE_RIGHT, irr::KEY_RIGHT},  {irr::EKA_STRAFE_RIGHT, irr::KEY_KEY_D},
};

namespace {

void step(int& small, int& large, bool shift, int by) { (shift ? large : small) += by; }

bool takeKey(const irr::SEvent::SKeyInput& key, FlightRequests& r) {
    switch (key.Key) {
        case irr::KEY_PLUS:
        case irr::KEY_ADD:
        case irr::KEY_MINUS:
        case irr::KEY_SUBTRACT:
            if (key.PressedDown) {
                const bool faster = key.Key == irr::KEY_PLUS || key.Key == irr::KEY_ADD;
                step(r.speedSteps, r.largeSpeedSteps, key.Shift, faster ? 1 : -1);
            }
            return true;
        case irr::KEY_PRIOR:
        case irr::KEY_NEXT:
            if (key.PressedDown) step(r.heightSteps, r.largeHeightSteps, key.Shift, key.Key == irr::KEY_PRIOR ? 1 : -1);
            return true;
        case irr::KEY_TAB:
            if (key.PressedDown) r.toggleWireframe = !r.toggleWireframe;
            return true;
        case irr::KEY_F12:
            if (key.PressedDown) r.screenshot = true;
            return true;
        case irr::KEY_ESCAPE:
            if (key.PressedDown) r.quit = true;
            return true;
        default:
            return false;
    }
}

}  // namespace

bool takeEvent(const irr::SEvent& event, FlightRequests& requests) {
    if (event.EventType == irr::EET_KEY_INPUT_EVENT) return takeKey(event.KeyInput, requests);
    if (event.EventType == irr::EET_MOUSE_INPUT_EVENT && event.MouseInput.Event == irr::EMIE_MOUSE_WHEEL &&
        event.MouseInput.Wheel != 0.0f) {
        step(requests.speedSteps, requests.largeSpeedSteps, event.MouseInput.Shift,
             event.MouseInput.Wheel > 0.0f ? 1 : -1);
        return true;
    }
    return false;
}

}  // namespace flyover

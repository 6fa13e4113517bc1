#include "camera_path.h"

#include <algorithm>
#include <cmath>

namespace bench {

namespace {

constexpr float kPi = 3.14159265f;
constexpr float kLowFlightEnd = 0.45f;    // share of the frames spent flying low
constexpr float kTurnEnd = 0.65f;         // then turning; the rest climbs
constexpr float kLowAltitude = 10.0f;     // above ground, in near distances of 1
constexpr float kOverviewAltitude = 0.4f; // of the extent
constexpr float kLowPitch = -0.08f;       // radians: looking a little down
constexpr float kOverviewPitch = -0.9f;

float smooth(float t) { return t * t * (3.0f - 2.0f * t); }

}  // namespace

std::vector<CameraPose> flightPath(float extent, int frames,
                                   const std::function<float(float, float)>& ground) {
    std::vector<CameraPose> path;
    const float half = extent * 0.5f;
    for (int f = 0; f < frames; ++f) {
        const float t = frames > 1 ? static_cast<float>(f) / static_cast<float>(frames - 1) : 0.0f;
        float x, z, heading, pitch, altitude;
        if (t < kLowFlightEnd) {   // straight along +x, low over the ground
            const float u = t / kLowFlightEnd;
            x = -0.7f * half + 1.2f * half * u;
            z = 0.25f * half;
            heading = 0.0f;
            pitch = kLowPitch;
            altitude = kLowAltitude;
        } else if (t < kTurnEnd) {   // a half circle to the left
            const float u = (t - kLowFlightEnd) / (kTurnEnd - kLowFlightEnd);
            const float angle = kPi * smooth(u);
            const float radius = 0.25f * half;
            x = 0.5f * half + radius * std::sin(angle);
            z = radius * std::cos(angle);
            heading = angle;
            pitch = kLowPitch;
            altitude = kLowAltitude;
        } else {   // back towards the centre, climbing and looking down
            const float u = smooth((t - kTurnEnd) / (1.0f - kTurnEnd));
            x = 0.5f * half * (1.0f - u);
            z = -0.25f * half * (1.0f - u);
            heading = kPi;
            pitch = kLowPitch + (kOverviewPitch - kLowPitch) * u;
            altitude = kLowAltitude + (kOverviewAltitude * extent - kLowAltitude) * u;
        }
        const float g = std::max(ground(x, z), 0.0f);
        path.push_back({x, g + altitude, z, std::cos(heading) * std::cos(pitch), std::sin(pitch),
                        -std::sin(heading) * std::cos(pitch)});
    }
    return path;
}

}  // namespace bench

#include "app/flight_camera.h"

#include <algorithm>
#include <cmath>

namespace flyover {

namespace {
constexpr double kRadiansPerDegree = 3.14159265358979323846 / 180.0;
}

Direction viewDirectionOf(const FlightPose& pose) {
    const double heading = pose.heading * kRadiansPerDegree, pitch = pose.pitch * kRadiansPerDegree;
    return {std::sin(heading) * std::cos(pitch), std::sin(pitch), std::cos(heading) * std::cos(pitch)};
}

void aimAlong(FlightPose& pose, const Direction& d) {
    const double level = std::hypot(d.x, d.z);
    if (level == 0.0 && d.y == 0.0) return;
    if (level > 0.0) pose.heading = std::atan2(d.x, d.z) / kRadiansPerDegree;
    pose.pitch = std::atan2(d.y, level) / kRadiansPerDegree;
}

void flyForward(FlightPose& pose, double distance) {
    const double heading = pose.heading * kRadiansPerDegree;
    pose.x += distance * std::sin(heading);
    pose.z += distance * std::cos(heading);
}

void RasterPlacement::clamp(FlightPose& pose) const {
    pose.x = xAt(std::clamp(columnAt(pose.x), 0.0, columns - 1.0));
    pose.z = zAt(std::clamp(rowAt(pose.z), 0.0, rows - 1.0));
}

double RasterPlacement::diagonal() const {
    return std::hypot((columns - 1.0) * xPerColumn, (rows - 1.0) * zPerRow);
}

double stepped(double value, int steps, bool large, double lowest, double highest) {
    return std::clamp(value * std::pow(large ? kLargeStepFactor : kStepFactor, steps), lowest, highest);
}

}  // namespace flyover

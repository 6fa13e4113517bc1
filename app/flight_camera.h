// The camera of true-scale flight as plain numbers, apart from Irrlicht: where it is, where
// it looks, how it moves and where it may go. World coordinates: x east, z north, y up.
#pragma once

namespace flyover {

struct FlightPose {
    double x = 0.0, z = 0.0;
    double heading = 0.0;   // degrees: 0 looks north (+z), 90 east (+x)
    double pitch = 0.0;     // degrees: positive looks up
};

struct Direction {
    double x = 0.0, y = 0.0, z = 0.0;
};

// The unit view direction of a pose.
Direction viewDirectionOf(const FlightPose& pose);
// Turns the pose to look along `direction` (any length but zero; zero changes nothing).
void aimAlong(FlightPose& pose, const Direction& direction);
// Moves the pose `distance` forward along its heading, level.
void flyForward(FlightPose& pose, double distance);

// Where a raster lies in the world: pixel (column, row), 0 at the first pixel's centre, is at
// x = x0 + column * xPerColumn and z = z0 + row * zPerRow (zPerRow < 0: rows run south).
struct RasterPlacement {
    double x0 = 0.0, z0 = 0.0;
    double xPerColumn = 1.0, zPerRow = -1.0;
    double columns = 2.0, rows = 2.0;   // pixels across and down

    double xAt(double column) const { return x0 + column * xPerColumn; }
    double zAt(double row) const { return z0 + row * zPerRow; }
    double columnAt(double x) const { return (x - x0) / xPerColumn; }
    double rowAt(double z) const { return (z - z0) / zPerRow; }
    bool contains(double column, double row) const {
        return column >= 0.0 && row >= 0.0 && column <= columns - 1.0 && row <= rows - 1.0;
    }
    // Keeps the pose over the raster (out of any padding around it).
    void clamp(FlightPose& pose) const;
    // Ground distance across the raster's diagonal.
    double diagonal() const;
};

// Speed and height above the ground change in steps of this factor, or the large one with
// Shift held.
constexpr double kStepFactor = 1.25;
constexpr double kLargeStepFactor = 10.0;

// `value` changed by `steps` steps (negative: smaller), within [lowest, highest].
double stepped(double value, int steps, bool large, double lowest, double highest);

}  // namespace flyover

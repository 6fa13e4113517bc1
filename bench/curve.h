// Reading a measured curve (a setting swept) at a point between its measurements.
#pragma once

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

namespace bench {

struct CurvePoint {
    double x, y;
};

// y at x, interpolated linearly in log(x) and log(y) between the two neighbouring
// measurements; nothing outside the measured range of x. Points with x or y at or
// below 0 are left out.
inline std::optional<double> atLogX(std::vector<CurvePoint> curve, double x) {
    curve.erase(std::remove_if(curve.begin(), curve.end(),
                               [](const CurvePoint& p) { return !(p.x > 0.0 && p.y > 0.0); }),
                curve.end());
    std::sort(curve.begin(), curve.end(), [](const CurvePoint& a, const CurvePoint& b) { return a.x < b.x; });
    if (curve.empty() || !(x >= curve.front().x && x <= curve.back().x)) return std::nullopt;
    for (std::size_t k = 1; k < curve.size(); ++k) {
        const CurvePoint& a = curve[k - 1];
        const CurvePoint& b = curve[k];
        if (x > b.x) continue;
        if (b.x == a.x) return std::min(a.y, b.y);
        const double t = (std::log(x) - std::log(a.x)) / (std::log(b.x) - std::log(a.x));
        return std::exp(std::log(a.y) + t * (std::log(b.y) - std::log(a.y)));
    }
    return curve.front().y;   // a single point
}

// The points of a curve that no other point beats in both x and y (lower is better in
// both): the cheapest way to each level of y.
inline std::vector<CurvePoint> lowerFront(std::vector<CurvePoint> curve) {
    std::sort(curve.begin(), curve.end(), [](const CurvePoint& a, const CurvePoint& b) {
        return a.x < b.x || (a.x == b.x && a.y < b.y);
    });
    std::vector<CurvePoint> front;
    for (const CurvePoint& p : curve)
        if (front.empty() || p.y < front.back().y) front.push_back(p);
    return front;
}

}  // namespace bench

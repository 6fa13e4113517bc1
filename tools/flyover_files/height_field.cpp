#include "tools/flyover_files/height_field.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace sample_terrain {

float HeightField::clamped(int x, int y) const {
    return at(std::clamp(x, 0, size - 1), std::clamp(y, 0, size - 1));
}

float HeightField::sample(float x, float y) const {
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int x0 = static_cast<int>(fx);
    const int y0 = static_cast<int>(fy);
    const float tx = x - fx;
    const float ty = y - fy;
    const float top = clamped(x0, y0) + (clamped(x0 + 1, y0) - clamped(x0, y0)) * tx;
    const float bottom = clamped(x0, y0 + 1) + (clamped(x0 + 1, y0 + 1) - clamped(x0, y0 + 1)) * tx;
    return top + (bottom - top) * ty;
}

HeightField shrunk(const HeightField& field, int size) {
    HeightField out(size);
    if (size < 1 || field.size < 1) return out;
    const float last = static_cast<float>(field.size - 1);
    const float step = size > 1 ? last / static_cast<float>(size - 1) : 0.0f;
    // Enough samples per axis that neighbouring ones are at most a cell apart.
    const int taps = std::max(1, static_cast<int>(std::ceil(step)));
    // Sample positions per output index, spread over the footprint's part inside the map so
    // border cells are not weighted towards the edge row.
    std::vector<float> positions(static_cast<std::size_t>(size) * taps);
    for (int i = 0; i < size; ++i) {
        const float centre = static_cast<float>(i) * step;
        const float low = std::max(0.0f, centre - 0.5f * step);
        const float high = std::min(last, centre + 0.5f * step);
        for (int t = 0; t < taps; ++t) positions[static_cast<std::size_t>(i) * taps + t] = low + (high - low) * (t + 0.5f) / taps;
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            float sum = 0.0f;
            for (int j = 0; j < taps; ++j) {
                for (int i = 0; i < taps; ++i) {
                    sum += field.sample(positions[static_cast<std::size_t>(x) * taps + i], positions[static_cast<std::size_t>(y) * taps + j]);
                }
            }
            out.at(x, y) = sum / static_cast<float>(taps * taps);
        }
    }
    return out;
}

bool isFlat(const HeightField& field) {
    return std::all_of(field.heights.begin(), field.heights.end(), [&](float h) { return h == field.heights.front(); });
}

void normalise(HeightField& field) {
    if (field.heights.empty()) return;
    const auto [lowest, highest] = std::minmax_element(field.heights.begin(), field.heights.end());
    const float low = *lowest;
    const float range = *highest - low;
    for (float& h : field.heights) h = range > 0.0f ? (h - low) / range : 0.0f;
}

HeightField heightFieldFromImage(const elevation::HeightGrid& image, int size) {
    HeightField field(size);
    const int side = std::min(image.width, image.height);
    if (side < 1 || size < 1) return field;
    const int left = (image.width - side) / 2;
    const int top = (image.height - side) / 2;
    const float scale = size > 1 ? static_cast<float>(side - 1) / static_cast<float>(size - 1) : 0.0f;

    for (int y = 0; y < size; ++y) {
        const float sy = static_cast<float>(y) * scale;
        const int y0 = std::min(static_cast<int>(sy), side - 1);
        const int y1 = std::min(y0 + 1, side - 1);
        const float ty = sy - static_cast<float>(y0);
        for (int x = 0; x < size; ++x) {
            const float sx = static_cast<float>(x) * scale;
            const int x0 = std::min(static_cast<int>(sx), side - 1);
            const int x1 = std::min(x0 + 1, side - 1);
            const float tx = sx - static_cast<float>(x0);
            const float a = image.at(left + x0, top + y0);
            const float b = image.at(left + x1, top + y0);
            const float c = image.at(left + x0, top + y1);
            const float d = image.at(left + x1, top + y1);
            const float upper = a + (b - a) * tx;
            const float lower = c + (d - c) * tx;
            field.at(x, y) = upper + (lower - upper) * ty;
        }
    }
    normalise(field);
    return field;
}

}  // namespace sample_terrain

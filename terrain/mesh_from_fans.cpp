#include "terrain/mesh_from_fans.h"

#include <cstring>

namespace kalde {

namespace {

constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;
constexpr std::size_t kMinSlots = 16;

struct PositionBits {
    std::uint32_t x, y, z;
    bool operator==(const PositionBits& o) const { return x == o.x && y == o.y && z == o.z; }
};

PositionBits bitsOf(const float* p) {
    PositionBits bits;
    std::memcpy(&bits.x, p, sizeof bits.x);
    std::memcpy(&bits.y, p + 1, sizeof bits.y);
    std::memcpy(&bits.z, p + 2, sizeof bits.z);
    return bits;
}

std::size_t hashOf(const PositionBits& b) {
    std::uint64_t h = b.x * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) ^ (b.y * 0xC2B2AE3D27D4EB4Full);
    h ^= (h >> 32) ^ (b.z * 0x165667B19E3779F9ull);
    return static_cast<std::size_t>(h ^ (h >> 31));
}

}  // namespace

Mesh meshFromFans(const FanRecording& fans) {
    const std::size_t fanVertices = fans.fanStarts.back();
    Mesh mesh;
    // Open addressing, at most half full: each slot holds a mesh vertex.
    std::size_t slotCount = kMinSlots;
    while (slotCount < 2 * fanVertices) slotCount *= 2;
    std::vector<std::uint32_t> slots(slotCount, kEmptySlot);
    std::vector<std::uint32_t> meshVertex(fanVertices);
    for (std::size_t v = 0; v < fanVertices; ++v) {
        const float* p = &fans.positions[3 * v];
        const PositionBits bits = bitsOf(p);
        std::size_t slot = hashOf(bits) & (slotCount - 1);
        while (slots[slot] != kEmptySlot && !(bitsOf(&mesh.positions[3 * slots[slot]]) == bits))
            slot = (slot + 1) & (slotCount - 1);
        if (slots[slot] == kEmptySlot) {
            slots[slot] = static_cast<std::uint32_t>(mesh.positions.size() / 3);
            mesh.positions.insert(mesh.positions.end(), p, p + 3);
        }
        meshVertex[v] = slots[slot];
    }
    for (std::size_t f = 0; f + 1 < fans.fanStarts.size(); ++f) {
        const std::uint32_t centre = fans.fanStarts[f];
        for (std::uint32_t v = centre + 2; v < fans.fanStarts[f + 1]; ++v)
            mesh.indices.insert(mesh.indices.end(),
                                {meshVertex[centre], meshVertex[v - 1], meshVertex[v]});
    }
    return mesh;
}

}  // namespace kalde

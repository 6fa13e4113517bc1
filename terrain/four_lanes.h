// Four single-precision lanes for evaluating four values at once: the four children
// (or edge midpoints) of a node, four nodes along a column, four map rows. Element-wise
// +, -, *, / and comparisons are the same IEEE operations as the scalar ones, so each
// lane gives bit for bit what the scalar expression gives, provided no multiply-add is
// fused (the library is built with -ffp-contract=off).
#pragma once

#include <cmath>

namespace kalde {

constexpr int kLanes = 4;

using Floats4 = float __attribute__((vector_size(16)));
using Ints4 = int __attribute__((vector_size(16)));   // comparisons: -1 true, 0 false

inline Floats4 splat(float x) { return Floats4{x, x, x, x}; }
inline Floats4 toFloats(Ints4 v) { return __builtin_convertvector(v, Floats4); }
// a where mask is true, else b.
inline Floats4 select(Ints4 mask, Floats4 a, Floats4 b) {
    return reinterpret_cast<Floats4>((reinterpret_cast<Ints4>(a) & mask) |
                                     (reinterpret_cast<Ints4>(b) & ~mask));
}
inline Floats4 magnitude(Floats4 v) {
    return reinterpret_cast<Floats4>(reinterpret_cast<Ints4>(v) & 0x7fffffff);
}
inline bool anyLane(Ints4 mask) { return (mask[0] | mask[1] | mask[2] | mask[3]) != 0; }
// std::max in each lane: b where a < b, else a (also where b is NaN).
inline Floats4 larger(Floats4 a, Floats4 b) { return select(a < b, b, a); }
// std::sqrt in each lane: the correctly rounded root.
inline Floats4 squareRoot(Floats4 v) {
#if defined(__SSE__)
    return __builtin_ia32_sqrtps(v);
#else
    return Floats4{std::sqrt(v[0]), std::sqrt(v[1]), std::sqrt(v[2]), std::sqrt(v[3])};
#endif
}
// std::floor in each lane.
inline Floats4 roundDown(Floats4 v) {
    // From 2^23 on every float is whole, and NaN stays NaN; below, truncate towards zero
    // and step down where that rounded up. A zero keeps its sign.
    const Ints4 small = magnitude(v) < splat(8388608.0f);
    const Floats4 whole = toFloats(__builtin_convertvector(select(small, v, splat(0.0f)), Ints4));
    const Floats4 down = whole - select(whole > v, splat(1.0f), splat(0.0f));
    const Ints4 sign = reinterpret_cast<Ints4>(v) & static_cast<int>(0x80000000u);
    return select(small, reinterpret_cast<Floats4>(reinterpret_cast<Ints4>(down) | sign), v);
}

}  // namespace kalde

// Four single-precision lanes for evaluating the four children (or the four edge
// midpoints) of a node at once. Element-wise +, -, *, / and comparisons are the same
// IEEE operations as the scalar ones, so each lane gives bit for bit what the scalar
// expression gives, provided no multiply-add is fused (the library is built with
// -ffp-contract=off).
#pragma once

namespace kalde {

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

}  // namespace kalde

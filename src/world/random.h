// The world's random source. Every random choice of world building (rooms,
// stairs, furnishings, shafts, objectives) comes from one RandomSource, so a
// seed fixes the whole world. Each draw is a 15-bit value 0..32767; the
// dungeon's shape depends on that range (a remainder by a divisor above
// 32767 returns the raw draw), so it must never change.
#pragma once

#include <cstdint>

namespace delver {

// The source's whole state: one 32-bit word.
struct RandomSource {
    uint32_t state = 0;
};

// Restarts the source: the next draws follow from seed alone.
inline void SeedRandom(RandomSource& r, uint32_t seed) { r.state = seed; }

// Advances the source and returns the next value, uniform in 0..32767.
inline uint32_t RandomDraw(RandomSource& r) {
    r.state = r.state * 214013u + 2531011u;
    return (r.state >> 16) & 0x7FFFu;
}

// One draw modulo n (n >= 1): 0..n-1 for n up to 32768, the raw draw for
// larger n. A zero n is treated as 2^32, so it too returns the raw draw
// instead of faulting.
inline uint32_t RandomBelow(RandomSource& r, uint32_t n) {
    const uint32_t v = RandomDraw(r);
    return n == 0 ? v : v % n;
}

}  // namespace delver

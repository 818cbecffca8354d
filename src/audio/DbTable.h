#pragma once
// The 61-step gain table that volume controls, headphone levels, the gain slider and the
// cross-fader law index: entry 0 is silence, entry k (1..60) is 65536 × 10^(−(60−k)/20)
// truncated, i.e. k − 60 dB in 16.16 fixed point. The integers are written out rather than
// computed so that every build and every platform agrees to the bit.

#include <array>
#include <cstdint>

namespace gm {

inline constexpr int kDbTableMaxIndex = 60;

inline constexpr std::array<std::int32_t, kDbTableMaxIndex + 1> dBTable = {
    0,     73,    82,    92,    103,   116,   130,   146,   164,   184,   207,   232,   260,
    292,   328,   368,   413,   463,   520,   584,   655,   735,   825,   925,   1038,  1165,
    1307,  1467,  1646,  1847,  2072,  2325,  2609,  2927,  3284,  3685,  4135,  4639,  5205,
    5840,  6553,  7353,  8250,  9257,  10386, 11654, 13076, 14671, 16461, 18470, 20724, 23253,
    26090, 29273, 32845, 36853, 41350, 46395, 52057, 58409, 65536};

// 16.16 gain of table entry `index`; indices outside 0..60 are clamped to the nearest end.
std::int32_t dbTableGain(int index);

// Engine cross-fader value for a cross-fader control position: s × (dBTable[|x|] − 1) with
// s = −1 for x < 0, else +1. The centre gives −1 (deck B at 65535/65536), the ends ±65535, and
// the far deck reaches half gain only at |x| = 54. Positions outside −60..60 are clamped to the
// ends; callers only ever pass positions inside that range.
std::int32_t crossFaderValue(int position);

}  // namespace gm

#pragma once
// The engine's non-linear mix of two 16-bit signals under two 16.16 volumes and a cross-fader.
// Each input is mapped to 0..1 around 0.5, combined with the "screen/multiply" rule (both below
// 0.5: 2AB, else 2(A+B) − 2AB − 1) and mapped back, so a silent input (0.5) leaves the other one
// unchanged and two full-scale inputs cannot leave the 16-bit range. The arithmetic is single
// precision step by step, with truncation toward zero; results are reproducible to the bit.

#include <cstdint>

#include "audio/SampleBlock.h"

namespace gm {

struct TwoSignalMix {
  std::uint32_t volumeA = 0x10000;  // 16.16 gain of input a
  std::uint32_t volumeB = 0x10000;  // 16.16 gain of input b
  std::int32_t crossFader = 0;      // > 0 fades a out, < 0 fades b out; ±65536 is the end

  // Mixes the first `out.frames` frames of `a` and `b` into `out` and returns the block's energy:
  // the single-precision sum of (y / 32767)² over the stored samples y. A sum, not a mean, so
  // its scale depends on the block length.
  // Pre: a and b hold at least out.frames frames; out may be the same memory as a or b.
  float mix(ConstSampleBlock a, ConstSampleBlock b, SampleBlock out) const;

  // The 0..1 gains of a and b after volume and cross-fader. A cross-fader beyond ±65536 acts as
  // ±65536: past the end the fade factor would turn negative and invert and amplify the deck.
  float gainA() const;
  float gainB() const;
};

}  // namespace gm

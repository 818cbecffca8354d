#pragma once
// The second-order section of the Mufflex (low-pass) and Thinex (high-pass) filters. The design
// (coefficients from frequency and Q) is kept apart from the per-sample step; both follow a fixed
// order of single- and double-precision operations, so results are reproducible to the bit.

#include <cstdint>

namespace gm::plugin {

enum class BiquadType { LowPass, HighPass };

// Not normalised by a0: the step divides by it.
struct BiquadCoefficients {
  float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
  float a0 = 1.0f, a1 = 0.0f, a2 = 0.0f;
};

// Coefficients for a cut-off frequency in Hz and a quality factor at 44100 Hz.
BiquadCoefficients designBiquad(BiquadType type, std::int32_t frequencyHz, float q);

// One channel's history.
struct BiquadHistory {
  float x1 = 0.0f, x2 = 0.0f, y1 = 0.0f, y2 = 0.0f;
};

// One sample through the section; updates the history.
float stepBiquad(const BiquadCoefficients& k, BiquadHistory& history, float x);

// Float to sample: clamped to the 16-bit range, truncated toward zero; NaN (only reachable with a
// degenerate Q) becomes 0.
std::int16_t sampleFromFloat(float y);

// Runs `frames` stereo frames in place, left channel through `left`, right through `right`.
void processBiquadBlock(const BiquadCoefficients& k, BiquadHistory& left, BiquadHistory& right,
                        std::int16_t* samples, std::uint32_t frames);

}  // namespace gm::plugin

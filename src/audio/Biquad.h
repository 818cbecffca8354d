#pragma once
// One second-order IIR section of the deck equaliser. Designing (BiquadDesign: trigonometry in
// double, once per settings change) is kept apart from the per-sample step (single precision, in
// the header so that the equaliser's inner loop inlines it). The results are defined to the bit:
// the step evaluates its expression in a fixed order and the build forbids fused multiply-adds.
//
// Limits: the design is only meaningful for 0 < frequencyHz < 22050 and q > 0; outside that the
// coefficients may be infinite or NaN. DeckEqualiser keeps its inputs inside those limits.

#include "audio/BiquadType.h"

namespace gm {

struct Biquad {
  bool initialised = false;
  float b0 = 0.0f, b1 = 0.0f, b2 = 0.0f;
  float a0 = 1.0f, a1 = 0.0f, a2 = 0.0f;
  float x1 = 0.0f, x2 = 0.0f;  // the last two inputs, x1 the newer
  float y1 = 0.0f, y2 = 0.0f;  // the last two outputs, y1 the newer

  // Computes the coefficients for `type` (a BiquadType value) at 44100 Hz. A section that is not
  // initialised first starts from silence, so a re-design after clear() cannot ring with the old
  // history. A type outside 0..5 leaves the coefficients as they were.
  void design(int type, double frequencyHz, double gainDb, double q);
  void design(BiquadType type, double frequencyHz, double gainDb, double q) {
    design(static_cast<int>(type), frequencyHz, gainDb, q);
  }

  // Marks the section for a fresh start: the history itself is cleared by the next design(), so
  // that clearing and re-designing happen together under the caller's lock.
  void clear() { initialised = false; }

  // Filters one sample and returns the output. The history always advances, also when the caller
  // discards the output: a section switched back in then continues without a click.
  float step(float x) {
    const float y = (b0 * x + b1 * x1 + b2 * x2 - a1 * y1 - a2 * y2) / a0;
    x2 = x1;
    x1 = x;
    y2 = y1;
    y1 = y;
    return y;
  }
};

}  // namespace gm

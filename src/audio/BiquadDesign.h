#pragma once
// The coefficients of one equaliser section, designed in double precision at 44100 Hz. The deck's
// sections round them to float; the equaliser display evaluates them as they are, so that both
// draw on the same formulas.

#include <optional>

#include "audio/BiquadType.h"

namespace gm {

struct BiquadCoefficients {
  double b0, b1, b2, a0, a1, a2;
};

// Coefficients for `type` (a BiquadType value); none for a type outside 0..5. The shelves' slope
// is fixed (β = √(2A) × sin w0), so `q` shapes only the peak and the kill filters.
// Limits: only meaningful for 0 < frequencyHz < 22050 and q > 0; outside that the coefficients
// may be infinite or NaN.
std::optional<BiquadCoefficients> designBiquad(int type, double frequencyHz, double gainDb, double q);

}  // namespace gm

#pragma once
// The magnitude response of one equaliser section, evaluated in double precision from the same
// design as the deck's sections (before their rounding to float). The equaliser display draws it.

#include <optional>

#include "audio/BiquadDesign.h"

namespace gm {

class BiquadResponse {
 public:
  // A section of `type` (a BiquadType value) at 44100 Hz. A type outside 0..5 has no design and
  // answers 0 at every frequency.
  BiquadResponse(int type, double frequencyHz, double gainDb, double q);

  // |H| at `frequencyHz`: 1 passes a tone unchanged. May be infinite or NaN where the design is
  // (see BiquadDesign); callers that draw it must treat such values themselves.
  double magnitudeAt(double frequencyHz) const;

 private:
  // b0, b1, b2, a1, a2 divided by a0; a0 itself is then 1.
  std::optional<BiquadCoefficients> normalised_;
};

}  // namespace gm

#include "audio/BiquadResponse.h"

#include <cmath>
#include <numbers>

#include "audio/SampleBlock.h"

namespace gm {

BiquadResponse::BiquadResponse(int type, double frequencyHz, double gainDb, double q) {
  const std::optional<BiquadCoefficients> c = designBiquad(type, frequencyHz, gainDb, q);
  if (c) {
    normalised_ = BiquadCoefficients{c->b0 / c->a0, c->b1 / c->a0, c->b2 / c->a0, 1.0, c->a1 / c->a0, c->a2 / c->a0};
  }
}

// |H|² = |b0 + b1 z⁻¹ + b2 z⁻²|² / |1 + a1 z⁻¹ + a2 z⁻²|² on the unit circle, written out with
// cos w and cos 2w. Numerator and denominator are evaluated in the same order on purpose: a
// section whose numerator equals its denominator (a peak at 0 dB) then answers exactly 1.
double BiquadResponse::magnitudeAt(double frequencyHz) const {
  if (!normalised_) {
    return 0.0;
  }
  const BiquadCoefficients& c = *normalised_;
  const double w = 2.0 * std::numbers::pi * frequencyHz / kSampleRate;
  const double cosW = std::cos(w);
  const double cos2W = std::cos(2.0 * w);
  const double numerator =
      c.b0 * c.b0 + c.b1 * c.b1 + c.b2 * c.b2 + 2.0 * (c.b0 * c.b1 + c.b1 * c.b2) * cosW + 2.0 * c.b0 * c.b2 * cos2W;
  const double denominator =
      c.a0 * c.a0 + c.a1 * c.a1 + c.a2 * c.a2 + 2.0 * (c.a0 * c.a1 + c.a1 * c.a2) * cosW + 2.0 * c.a0 * c.a2 * cos2W;
  const double squared = numerator / denominator;
  // Rounding can take a true zero (a notch at its centre) just below it.
  return squared < 0.0 ? 0.0 : std::sqrt(squared);
}

}  // namespace gm

#include "audio/Biquad.h"

#include "audio/BiquadDesign.h"

namespace gm {

void Biquad::design(int type, double frequencyHz, double gainDb, double q) {
  if (!initialised) {
    x1 = x2 = y1 = y2 = 0.0f;
    initialised = true;
  }
  const std::optional<BiquadCoefficients> c = designBiquad(type, frequencyHz, gainDb, q);
  if (!c) {
    return;
  }
  b0 = static_cast<float>(c->b0);
  b1 = static_cast<float>(c->b1);
  b2 = static_cast<float>(c->b2);
  a0 = static_cast<float>(c->a0);
  a1 = static_cast<float>(c->a1);
  a2 = static_cast<float>(c->a2);
}

}  // namespace gm

#include "plugins/filters/Biquad.h"

#include <cmath>
#include <initializer_list>
#include <numbers>

namespace gm::plugin {

BiquadCoefficients designBiquad(BiquadType type, std::int32_t frequencyHz, float q) {
  const float w0 = float(double(frequencyHz) * (2.0 * std::numbers::pi) / 44100.0);
  const double cosine = std::cos(double(w0));
  const double sine = std::sin(double(w0));
  const float c = float(cosine);
  const float alpha = float(sine / double(q + q));
  BiquadCoefficients k;
  if (type == BiquadType::LowPass) {
    k.b0 = (1.0f - c) * 0.5f;
    k.b1 = 1.0f - c;
  } else {
    k.b0 = (1.0f + c) * 0.5f;
    k.b1 = -(1.0f + c);
  }
  k.b2 = k.b0;
  k.a0 = 1.0f + alpha;
  k.a1 = -2.0f * c;
  k.a2 = 1.0f - alpha;
  return k;
}

float stepBiquad(const BiquadCoefficients& k, BiquadHistory& h, float x) {
  float t = k.b1 * h.x1;
  t = std::fma(k.b0, x, t);
  t = std::fma(k.b2, h.x2, t);
  t = t - k.a1 * h.y1;
  t = t - k.a2 * h.y2;
  const float y = t / k.a0;
  h.x2 = h.x1;
  h.x1 = x;
  h.y2 = h.y1;
  h.y1 = y;
  return y;
}

std::int16_t sampleFromFloat(float y) {
  if (y > 32767.0f) return 32767;
  if (y < -32768.0f) return -32768;
  if (std::isnan(y)) return 0;
  return std::int16_t(y);  // the conversion truncates toward zero
}

void processBiquadBlock(const BiquadCoefficients& k, BiquadHistory& left, BiquadHistory& right,
                        std::int16_t* samples, std::uint32_t frames) {
  for (std::uint32_t frame = 0; frame < frames; ++frame) {
    std::int16_t* pair = samples + 2 * std::size_t(frame);
    pair[0] = sampleFromFloat(stepBiquad(k, left, float(pair[0])));
    pair[1] = sampleFromFloat(stepBiquad(k, right, float(pair[1])));
  }
  // A degenerate parameter (Q of 0) fills the history with NaN or infinity, which would silence the
  // deck for good even after the parameter is sane again. Such a history is worth nothing: drop it.
  for (BiquadHistory* history : {&left, &right}) {
    if (!std::isfinite(history->y1) || !std::isfinite(history->y2)) *history = BiquadHistory{};
  }
}

}  // namespace gm::plugin

#include "audio/TwoSignalMix.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace gm {
namespace {

constexpr float kUnityGain = 65536.0f;
constexpr std::int32_t kFaderEnd = 65536;

std::int32_t clampedFader(std::int32_t crossFader) {
  return std::clamp(crossFader, -kFaderEnd, kFaderEnd);
}

// Maps a sample under gain to 0..1 (0.5 = silence), one single-precision rounding per step.
inline float toUnit(std::int16_t sample, float gain) {
  const float scaled = static_cast<float>(sample) * gain;
  const float shifted = scaled + 32768.0f;
  return shifted / 65536.0f;
}

inline float combine(float unitA, float unitB) {
  if (unitA < 0.5f && unitB < 0.5f) {
    return 2.0f * unitA * unitB;
  }
  return 2.0f * (unitA + unitB) - 2.0f * unitA * unitB - 1.0f;
}

// Truncates toward zero. Inputs within 0..1 always fit; the saturation only guards against
// gains outside 0..1 handed in by a caller, where the float-to-int conversion would be undefined.
inline std::int16_t toSample(float unitValue) {
  const float y = unitValue * 65535.0f - 32768.0f;
  const float saturated = std::clamp(y, static_cast<float>(std::numeric_limits<std::int16_t>::min()),
                                     static_cast<float>(std::numeric_limits<std::int16_t>::max()));
  return static_cast<std::int16_t>(saturated);
}

}  // namespace

float TwoSignalMix::gainA() const {
  const float volumeGain = static_cast<float>(volumeA) / kUnityGain;
  const std::int32_t fader = clampedFader(crossFader);
  if (fader > 0) {
    return volumeGain * (static_cast<float>(kFaderEnd - fader) / kUnityGain);
  }
  return volumeGain;
}

float TwoSignalMix::gainB() const {
  const float volumeGain = static_cast<float>(volumeB) / kUnityGain;
  const std::int32_t fader = clampedFader(crossFader);
  if (fader > 0) {
    return volumeGain;
  }
  return volumeGain * (static_cast<float>(kFaderEnd + fader) / kUnityGain);
}

float TwoSignalMix::mix(ConstSampleBlock a, ConstSampleBlock b, SampleBlock out) const {
  const float gA = gainA();
  const float gB = gainB();
  float energy = 0.0f;
  const std::size_t sampleCount = out.sampleCount();
  for (std::size_t i = 0; i < sampleCount; ++i) {
    const std::int16_t y = toSample(combine(toUnit(a.samples[i], gA), toUnit(b.samples[i], gB)));
    out.samples[i] = y;
    const float normalised = static_cast<float>(y) / 32767.0f;
    energy += normalised * normalised;
  }
  return energy;
}

}  // namespace gm

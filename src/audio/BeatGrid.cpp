#include "audio/BeatGrid.h"

#include <cstdlib>
#include <limits>

namespace gm {

namespace {

// Truncates toward zero into the 32-bit frame range; the inputs here are never negative.
std::int32_t truncateFrames(double frames) {
  constexpr double kMax = static_cast<double>(std::numeric_limits<std::int32_t>::max());
  if (!(frames < kMax)) {
    return std::numeric_limits<std::int32_t>::max();
  }
  return frames > 0.0 ? static_cast<std::int32_t>(frames) : 0;
}

}  // namespace

std::int32_t framesPerBeat(std::int32_t bpmHundredths) {
  if (bpmHundredths <= 0) {
    return 0;
  }
  return truncateFrames(60.0 / (bpmHundredths / 100.0) * 44100.0);
}

std::int32_t beatGap(std::int32_t cueFrame, std::int32_t positionFrames, std::int32_t bpmHundredths) {
  const std::int64_t beatFrames = framesPerBeat(bpmHundredths);
  if (beatFrames == 0) {
    return 0;
  }
  // 64-bit: the difference of two 32-bit positions does not fit 32 bits in general.
  const std::int64_t distance = std::llabs(static_cast<std::int64_t>(cueFrame) - positionFrames);
  return static_cast<std::int32_t>(beatFrames - distance % beatFrames);
}

std::int32_t loopLengthFrames(int loopType, std::int32_t bpmHundredths) {
  if (loopType < 0 || loopType >= kLoopTypeCount || bpmHundredths <= 0) {
    return 0;
  }
  // Half a beat in seconds, in frames, times a quarter: one eighth of a beat in (fractional) frames.
  const double eighthBeatFrames = 60.0 / (bpmHundredths / 50.0) * 44100.0 * 0.25;
  return truncateFrames(kLoopLengthFactors[static_cast<std::size_t>(loopType)] * eighthBeatFrames);
}

}  // namespace gm

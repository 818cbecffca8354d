#pragma once
// Pulsetrak's tempo estimate: several stretches of the track, each one's tempo from the
// autocorrelation of a smoothed energy envelope (100-frame windows, 441 per second), outliers
// dropped and half-tempo estimates doubled. Single precision where the method says so; the
// autocorrelation accumulates with fused multiply-adds in index order.

#include <cstdint>
#include <span>
#include <vector>

namespace gm::plugin {

class TempoAnalysis {
 public:
  static constexpr std::int32_t kMaxSteps = 30;
  static constexpr std::int32_t kFramesPerWindow = 100;
  static constexpr std::int32_t kWindowsPerSecond = 441;
  static constexpr std::int32_t kHighestTempo = 23801;  // hundredths of BPM, exclusive

  // Tempo × 100 of the track (frames of interleaved stereo at 44100 Hz), or 0. `steps` above
  // kMaxSteps are limited to it; steps < 1 or length < 1 give 0. Stretches that would reach past the
  // track's end count as 0. Reads nothing outside samples[0 .. 2 × frames).
  static std::uint32_t detect(const std::int16_t* samples, std::uint32_t frames, std::int32_t steps,
                              std::int32_t lengthSeconds);

  // The tempo of `lengthSeconds` seconds of one channel read from `start` (every second sample),
  // or 0. Reads start[0], start[2], … start[2 × (lengthSeconds × 44100 − 1)].
  std::int32_t stretchTempo(const std::int16_t* start, std::int32_t lengthSeconds);

  // Tempo × 100 for an autocorrelation lag in windows, or 0 outside 60..238 BPM.
  static std::int32_t tempoFromLag(std::int32_t lag);
  // Steps 3 to 7 of the method: averages the stretch tempi (0 = none) after dropping outliers and
  // doubling half-tempo estimates. `tempi` is modified.
  static std::uint32_t combine(std::span<std::int32_t> tempi);

 private:
  static void smooth(std::vector<float>& values);

  std::vector<float> energy_;
  std::vector<float> envelope_;
};

}  // namespace gm::plugin

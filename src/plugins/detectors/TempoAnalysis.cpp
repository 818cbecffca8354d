#include "plugins/detectors/TempoAnalysis.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <exception>

namespace gm::plugin {
namespace {

constexpr std::int64_t kFramesPerSecond = 44100;

float periodOfLag(std::int32_t lag) { return float(lag) * float(1.0 / 441.0); }

bool isCandidatePeriod(float period) { return period > 0.25f && period <= 1.0f; }

}  // namespace

std::int32_t TempoAnalysis::tempoFromLag(std::int32_t lag) {
  const float period = periodOfLag(lag);
  if (!isCandidatePeriod(period)) return 0;
  const double tempo = std::trunc(1.0 / double(period) * 60 * 100);
  return tempo >= kHighestTempo ? 0 : std::int32_t(tempo);
}

void TempoAnalysis::smooth(std::vector<float>& values) {
  // In place and forward: the left neighbour is already smoothed, the right one is not yet.
  if (values.size() <= 2) return;
  for (std::size_t k = 1; k + 1 < values.size(); ++k) values[k] = (values[k - 1] + values[k] + values[k + 1]) / 3.0f;
}

std::int32_t TempoAnalysis::stretchTempo(const std::int16_t* start, std::int32_t lengthSeconds) {
  const std::size_t frames = std::size_t(lengthSeconds) * kFramesPerSecond;
  const std::size_t windows = std::size_t(lengthSeconds) * kWindowsPerSecond;
  try {
    energy_.resize(frames);
    envelope_.assign(windows, 0.0f);
  } catch (const std::exception&) {  // no memory for this stretch
    return 0;
  }

  float sum = 0.0f;
  float maximum = 0.0f;
  for (std::size_t k = 0; k < frames; ++k) {
    const std::int32_t sample = start[2 * k];
    const float e = float(sample * sample);
    energy_[k] = e;
    sum += e;
    maximum = std::max(maximum, e);
  }
  const float mean = sum / float(frames);
  for (float& e : energy_) e = e > mean ? e / maximum : 0.0f;
  smooth(energy_);

  for (std::size_t j = 0; j < windows; ++j) {
    const auto first = energy_.begin() + std::ptrdiff_t(j * kFramesPerWindow);
    envelope_[j] = std::max(0.0f, *std::max_element(first, first + kFramesPerWindow));
  }
  smooth(envelope_);

  // Only lags whose period can win are correlated; the others could never become the peak.
  float best = 0.0f;
  float bestPeriod = 0.0f;
  for (std::size_t lag = 0; lag < windows; ++lag) {
    const float period = periodOfLag(std::int32_t(lag));
    if (!isCandidatePeriod(period)) continue;
    float c = 0.0f;
    for (std::size_t i = 0; i + lag < windows; ++i) c = std::fma(envelope_[i], envelope_[i + lag], c);
    if (c > best) {
      best = c;
      bestPeriod = period;
    }
  }
  if (bestPeriod == 0.0f) return 0;
  const double tempo = std::trunc(1.0 / double(bestPeriod) * 60 * 100);
  return tempo >= kHighestTempo ? 0 : std::int32_t(tempo);
}

std::uint32_t TempoAnalysis::combine(std::span<std::int32_t> tempi) {
  auto countAndSum = [&tempi](std::uint32_t& count) {
    std::uint64_t sum = 0;
    count = 0;
    for (std::int32_t tempo : tempi) {
      if (tempo > 0) {
        sum += std::uint64_t(tempo);
        ++count;
      }
    }
    return sum;
  };
  std::uint32_t count = 0;
  const std::uint64_t sum = countAndSum(count);
  if (count == 0) return 0;
  const std::uint64_t average = sum / count;
  for (std::int32_t& tempo : tempi) {
    if (tempo > 0 && double(tempo) > double(average) * 1.1) tempo = 0;
  }
  const std::uint64_t keptSum = countAndSum(count);
  if (count == 0) return 0;
  const std::uint64_t average2 = keptSum / count;
  const double low = double(average2) * 0.9;
  const double high = double(average2) * 1.1;
  for (std::int32_t& tempo : tempi) {
    if (tempo <= 0 || double(tempo) >= low) continue;
    const double doubled = 2.0 * double(tempo);
    tempo = (low < doubled && doubled < high) ? 2 * tempo : 0;
  }
  const std::uint64_t finalSum = countAndSum(count);
  if (count == 0) return 0;
  return std::uint32_t(finalSum / count);
}

std::uint32_t TempoAnalysis::detect(const std::int16_t* samples, std::uint32_t frames, std::int32_t steps,
                                    std::int32_t lengthSeconds) {
  if (samples == nullptr || frames == 0 || steps < 1 || lengthSeconds < 1) return 0;
  if (std::uint64_t(frames) <= std::uint64_t(lengthSeconds) * 11025) return 0;
  steps = std::min(steps, kMaxSteps);
  const std::uint64_t stretchFrames = std::uint64_t(lengthSeconds) * kFramesPerSecond;
  const std::uint64_t totalSamples = 2 * std::uint64_t(frames);
  const std::uint64_t segment = frames / std::uint32_t(steps);

  TempoAnalysis analysis;
  std::array<std::int32_t, kMaxSteps> tempi{};
  for (std::int32_t i = 0; i < steps; ++i) {
    // The start counts samples, not frames: stretches start within the first half of the track.
    const std::uint64_t startSample = std::uint64_t(i) * segment;
    const std::uint64_t lastSample = startSample + 2 * (stretchFrames - 1);
    if (lastSample >= totalSamples) continue;  // would read past the track: counts as 0
    tempi[std::size_t(i)] = analysis.stretchTempo(samples + startSample, lengthSeconds);
  }
  return combine(std::span<std::int32_t>(tempi.data(), std::size_t(steps)));
}

}  // namespace gm::plugin

// Cost of rendering one deck's voice per output frame, in 512-frame blocks through a 5-minute
// track, at unity speed, at +7 % and backwards (and at −7 % in capture mode), next to a plain memcpy
// of the same number of bytes from the same track, measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "FrameCostReporter.h"
#include "audio/VoiceRenderer.h"

namespace {

constexpr std::size_t kBlockFrames = 512;
constexpr std::int32_t kTrackFrames = 44100 * 60 * 5;

const std::vector<std::int16_t>& track() {
  static const std::vector<std::int16_t> samples = [] {
    std::vector<std::int16_t> noise(static_cast<std::size_t>(kTrackFrames) * gm::kChannels);
    std::mt19937 random(7);
    for (auto& s : noise) {
      s = static_cast<std::int16_t>(random());
    }
    return noise;
  }();
  return samples;
}

void renderVoice(benchmark::State& state, float speed, bool capture) {
  const auto& pcm = track();
  gm::VoiceRenderer renderer;
  renderer.prepare(kBlockFrames);
  gm_voice_state voice{};
  voice.frames = kTrackFrames;
  voice.pcm = pcm.data();
  voice.speed = speed;
  voice.volume = 0.8f;
  voice.balance = -1200;
  voice.bpm = 12800;
  voice.capture_flag = capture ? 1 : 0;
  const std::int32_t start = speed > 0.0f ? 0 : kTrackFrames - 1;
  voice.position = start;
  std::vector<std::int16_t> out(kBlockFrames * gm::kChannels);
  for (auto _ : state) {
    renderer.render(voice, gm::SampleBlock{out.data(), kBlockFrames});
    if (voice.position < 0 || voice.position >= kTrackFrames) {
      voice.position = start;  // what a deck does at the end of the track: stop; here, start over
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = static_cast<double>(kBlockFrames);
}

void BM_RenderSpeed1(benchmark::State& state) { renderVoice(state, 1.0f, false); }
void BM_RenderSpeed107(benchmark::State& state) { renderVoice(state, 1.07f, false); }
void BM_RenderReverse(benchmark::State& state) { renderVoice(state, -1.0f, false); }
void BM_RenderCapture093(benchmark::State& state) { renderVoice(state, 0.93f, true); }

void BM_Memcpy(benchmark::State& state) {
  const auto& pcm = track();
  std::vector<std::int16_t> out(kBlockFrames * gm::kChannels);
  std::size_t position = 0;
  for (auto _ : state) {
    std::memcpy(out.data(), pcm.data() + position * gm::kChannels, kBlockFrames * gm::kBytesPerFrame);
    position += kBlockFrames;
    if (position + kBlockFrames > static_cast<std::size_t>(kTrackFrames)) {
      position = 0;
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = static_cast<double>(kBlockFrames);
}

BENCHMARK(BM_Memcpy);
BENCHMARK(BM_RenderSpeed1);
BENCHMARK(BM_RenderSpeed107);
BENCHMARK(BM_RenderReverse);
BENCHMARK(BM_RenderCapture093);

using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

// Prints CPU ns per frame of each run and its ratio to the memcpy reference after the usual table.
void printSummary(const FrameCostReporter& costs) {
  const double reference = costs.nsPerFrame("BM_Memcpy");
  if (reference <= 0.0) return;
  std::printf("\nCPU ns per output frame, one deck, %zu-frame blocks (reference: memcpy of the same bytes):\n",
              kBlockFrames);
  std::printf("%-22s %10s %10s\n", "run", "ns/frame", "x memcpy");
  for (const auto& [frames, byName] : costs.byBlock()) {
    for (const auto& [name, nsPerFrame] : byName) {
      std::printf("%-22s %10.3f %10.1f\n", name.c_str(), nsPerFrame, nsPerFrame / reference);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

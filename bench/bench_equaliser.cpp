// Cost of a deck's equaliser per stereo frame at a 256-frame block, next to a plain copy of the
// same float buffer measured in the same run. Also the deck's 16-bit path (conversion, filtering,
// clamping) and the equaliser after a long silence, where the filters' histories have decayed to
// tiny values: on x86 subnormal floats can make each operation many times slower.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "FrameCostReporter.h"
#include "audio/DeckEqualiser.h"

namespace {

constexpr std::size_t kFrames = 256;
constexpr std::size_t kSamples = kFrames * 2;

std::vector<float> noiseBlock() {
  std::mt19937 random(11);
  std::uniform_real_distribution<float> distribution(-20000.0f, 20000.0f);
  std::vector<float> samples(kSamples);
  for (float& value : samples) {
    value = distribution(random);
  }
  return samples;
}

// Flat bands: the sections cost the same at any gain, and running the same buffer through a
// unity-gain chain again and again keeps its level, so no refill is needed between iterations.
gm::DeckEqualiser flatEqualiser() {
  gm::DeckEqualiser equaliser;
  equaliser.setup(gm::EqualiserSettings{}, 0.0f, 0.0f, 0.0f);
  return equaliser;
}

void BM_EqualiserRun(benchmark::State& state) {
  gm::DeckEqualiser equaliser = flatEqualiser();
  std::vector<float> samples = noiseBlock();
  for (auto _ : state) {
    equaliser.run(samples.data(), samples.size(), 2);
    benchmark::DoNotOptimize(samples.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = kFrames;
}

void BM_FloatCopy(benchmark::State& state) {
  const std::vector<float> source = noiseBlock();
  std::vector<float> destination(kSamples);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), destination.begin());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = kFrames;
}

// The deck's path; the block is refilled each time (a 1 KiB copy) so that repeated truncation
// cannot wear the signal down to silence.
void BM_EqualiserInt16Block(benchmark::State& state) {
  gm::DeckEqualiser equaliser = flatEqualiser();
  std::vector<std::int16_t> source(kSamples);
  const std::vector<float> noise = noiseBlock();
  std::transform(noise.begin(), noise.end(), source.begin(), [](float v) { return static_cast<std::int16_t>(v); });
  std::vector<std::int16_t> block(kSamples);
  std::vector<float> work(kSamples);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), block.begin());
    equaliser.runBlock(gm::SampleBlock{block.data(), kFrames}, work);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = kFrames;
}

// A deck that played a tone and then ten seconds of silence, as when a track has ended.
void BM_EqualiserAfterSilence(benchmark::State& state) {
  gm::DeckEqualiser equaliser;
  equaliser.setup(gm::EqualiserSettings{}, 3.0f, -3.0f, 6.0f);
  std::vector<float> samples = noiseBlock();
  equaliser.run(samples.data(), samples.size(), 2);
  std::fill(samples.begin(), samples.end(), 0.0f);
  for (int block = 0; block < 10 * 44100 / static_cast<int>(kFrames); ++block) {
    equaliser.run(samples.data(), samples.size(), 2);
  }
  const gm::Biquad& shelf = equaliser.section(0, gm::DeckEqualiser::kLowShelf);
  state.counters["subnormal_history"] = std::fpclassify(shelf.y1) == FP_SUBNORMAL ? 1 : 0;
  for (auto _ : state) {
    equaliser.run(samples.data(), samples.size(), 2);
    benchmark::DoNotOptimize(samples.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = kFrames;
}

BENCHMARK(BM_EqualiserRun);
BENCHMARK(BM_FloatCopy);
BENCHMARK(BM_EqualiserInt16Block);
BENCHMARK(BM_EqualiserAfterSilence);

// Keeps CPU ns per frame of every run for the summary printed after the usual table.
using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

void printSummary(const FrameCostReporter& costs) {
  const double copy = costs.nsPerFrame("BM_FloatCopy");
  std::printf("\nCPU ns per stereo frame at a %zu-frame block (reference: float copy of the same buffer):\n",
              kFrames);
  std::printf("%-28s %10s %10s\n", "", "ns/frame", "x copy");
  for (const char* name : {"BM_FloatCopy", "BM_EqualiserRun", "BM_EqualiserInt16Block", "BM_EqualiserAfterSilence"}) {
    const double ns = costs.nsPerFrame(name);
    std::printf("%-28s %10.3f %10.1f\n", name, ns, copy > 0.0 ? ns / copy : 0.0);
  }
}

}  // namespace

int main(int argc, char** argv) {
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

// Cost of a deck's equaliser per stereo frame at a 256-frame block, next to a plain copy of the
// same float buffer measured in the same run. Also the deck's 16-bit path (conversion, filtering,
// clamping) and the equaliser after 30 s of silence, where the sections' histories have decayed to
// subnormal floats (many times slower on x86), without and with the flush-to-zero the rendering
// threads run with, next to the same bands on music.

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
#include "audio/FlushToZero.h"

namespace {

constexpr std::size_t kFrames = 256;
constexpr std::size_t kSamples = kFrames * 2;

constexpr int kSilenceSeconds = 30;

// Sections of both channels whose history holds a subnormal value.
int subnormalSections(const gm::DeckEqualiser& equaliser) {
  int count = 0;
  for (int channel = 0; channel < 2; ++channel) {
    for (int section = 0; section < gm::DeckEqualiser::kSectionCount; ++section) {
      const gm::Biquad& biquad = equaliser.section(channel, gm::DeckEqualiser::Section(section));
      for (float value : {biquad.x1, biquad.x2, biquad.y1, biquad.y2}) {
        if (std::fpclassify(value) == FP_SUBNORMAL) {
          ++count;
          break;
        }
      }
    }
  }
  return count;
}

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
  gm::bench::setFrames(state, kFrames);
}

void BM_FloatCopy(benchmark::State& state) {
  const std::vector<float> source = noiseBlock();
  std::vector<float> destination(kSamples);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), destination.begin());
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  gm::bench::setFrames(state, kFrames);
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
  gm::bench::setFrames(state, kFrames);
}

// A deck's equaliser with its bands away from flat, fed a block copied from `source` each time so
// that the level stays where it is. With `silenceSeconds`, music first and then that much silence,
// as when a track has ended on a playing deck: the sections ring down into subnormal floats unless
// the thread flushes them to zero.
void runBands(benchmark::State& state, bool music, bool flushToZero) {
  gm::setFlushToZero(flushToZero);
  gm::DeckEqualiser equaliser;
  equaliser.setup(gm::EqualiserSettings{}, 3.0f, -3.0f, 6.0f);
  const std::vector<float> noise = noiseBlock();
  const std::vector<float> source = music ? noise : std::vector<float>(kSamples, 0.0f);
  std::vector<float> samples = noise;
  equaliser.run(samples.data(), samples.size(), 2);
  for (int block = 0; block < kSilenceSeconds * 44100 / int(kFrames); ++block) {
    samples = source;
    equaliser.run(samples.data(), samples.size(), 2);
  }
  state.counters["subnormal_sections"] = subnormalSections(equaliser);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), samples.begin());
    equaliser.run(samples.data(), samples.size(), 2);
    benchmark::DoNotOptimize(samples.data());
    benchmark::ClobberMemory();
  }
  gm::bench::setFrames(state, kFrames);
  gm::setFlushToZero(false);
}

void BM_EqualiserMusic(benchmark::State& state) { runBands(state, true, false); }
void BM_EqualiserSilence(benchmark::State& state) { runBands(state, false, false); }
void BM_EqualiserMusicFlushToZero(benchmark::State& state) { runBands(state, true, true); }
void BM_EqualiserSilenceFlushToZero(benchmark::State& state) { runBands(state, false, true); }

BENCHMARK(BM_EqualiserRun);
BENCHMARK(BM_FloatCopy);
BENCHMARK(BM_EqualiserInt16Block);
BENCHMARK(BM_EqualiserMusic);
BENCHMARK(BM_EqualiserSilence);
BENCHMARK(BM_EqualiserMusicFlushToZero);
BENCHMARK(BM_EqualiserSilenceFlushToZero);

// Keeps CPU ns per frame of every run for the summary printed after the usual table.
using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

void printSummary(const FrameCostReporter& costs) {
  gm::bench::printAgainst(costs, "CPU ns per stereo frame at a 256-frame block (reference: float copy of the same buffer):",
                          "BM_FloatCopy", {"BM_FloatCopy", "BM_EqualiserRun", "BM_EqualiserInt16Block"});
  gm::bench::printAgainst(costs,
                          "Equaliser after 30 s of silence on a playing deck, without and with flush-to-zero "
                          "(reference: the same bands on music):",
                          "BM_EqualiserMusic",
                          {"BM_EqualiserMusic", "BM_EqualiserSilence", "BM_EqualiserMusicFlushToZero",
                           "BM_EqualiserSilenceFlushToZero"});
}

}  // namespace

int main(int argc, char** argv) {
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

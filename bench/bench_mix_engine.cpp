// Cost of the mixing engine per frame: one master pull plus one headphone pull of the same
// length, next to copying three deck-sized blocks with memcpy (deck A, deck B and the master
// copy: the least memory traffic any engine with these outputs has), measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "FrameCostReporter.h"
#include "audio/MixEngine.h"
#include "audio/RecordReceiver.h"

namespace {

using gm::kBytesPerFrame;
using gm::kChannels;

// A deck that plays a prepared block of noise again and again.
class CopyRenderer final : public gm::BlockRenderer {
 public:
  CopyRenderer(std::size_t maxFrames, unsigned seed) : samples_(maxFrames * kChannels) {
    std::mt19937 random(seed);
    for (auto& s : samples_) {
      s = static_cast<std::int16_t>(random());
    }
  }
  void renderBlock(gm::SampleBlock block) override {
    std::memcpy(block.samples, samples_.data(), block.bytes());
  }

 private:
  std::vector<std::int16_t> samples_;
};

class CountingReceiver final : public gm::RecordReceiver {
 public:
  void receiveRecordBlock(gm::ConstSampleBlock block) override { frames += block.frames; }
  std::size_t frames = 0;
};

void runEngine(benchmark::State& state, bool recording) {
  const auto frames = static_cast<std::size_t>(state.range(0));
  CopyRenderer deckA(frames, 1);
  CopyRenderer deckB(frames, 2);
  const auto engine = gm::MixEngine::create(&deckA, &deckB, frames);
  engine->setVolumeA(52057);
  engine->setCrossFader(-300);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(200);
  engine->setHeadphoneMasterLevel(120);
  CountingReceiver receiver;
  if (recording) {
    engine->setRecordReceiver(&receiver);
  }
  std::vector<std::int16_t> master(frames * kChannels);
  std::vector<std::int16_t> headphones(frames * kChannels);
  for (auto _ : state) {
    engine->pull(gm::MixEngine::kMasterPort, master.data(), frames * kBytesPerFrame);
    engine->pull(gm::MixEngine::kHeadphonePort, headphones.data(), frames * kBytesPerFrame);
    if (recording) {
      engine->drainRecordBlocks();
    }
    benchmark::DoNotOptimize(master.data());
    benchmark::DoNotOptimize(headphones.data());
  }
  engine->setRecordReceiver(nullptr);
  state.counters["frames"] = static_cast<double>(frames);
}

void BM_EnginePull(benchmark::State& state) { runEngine(state, false); }
void BM_EnginePullRecording(benchmark::State& state) { runEngine(state, true); }

void BM_MemcpyThreeBlocks(benchmark::State& state) {
  const auto frames = static_cast<std::size_t>(state.range(0));
  const std::size_t samples = frames * kChannels;
  std::vector<std::int16_t> source(3 * samples, 7);
  std::vector<std::int16_t> destination(3 * samples);
  for (auto _ : state) {
    for (std::size_t block = 0; block < 3; ++block) {
      std::memcpy(destination.data() + block * samples, source.data() + block * samples, frames * kBytesPerFrame);
    }
    benchmark::DoNotOptimize(destination.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = static_cast<double>(frames);
}

BENCHMARK(BM_EnginePull)->Arg(256)->Arg(512);
BENCHMARK(BM_EnginePullRecording)->Arg(256)->Arg(512);
BENCHMARK(BM_MemcpyThreeBlocks)->Arg(256)->Arg(512);

// Keeps ns per frame of every run for the summary printed after the usual table.
using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

void printSummary(const FrameCostReporter& costs) {
  std::printf("\nCPU ns per frame (one master pull + one headphone pull of the same length;\n"
              "reference: memcpy of three deck-sized blocks):\n");
  std::printf("%-8s %14s %18s %18s %10s %14s\n", "block", "engine ns", "engine+rec ns", "memcpy 3blk ns",
              "ratio", "ratio w/ rec");
  for (const auto& [frames, byName] : costs.byBlock()) {
    const double engine = FrameCostReporter::of(byName, "BM_EnginePull");
    const double recording = FrameCostReporter::of(byName, "BM_EnginePullRecording");
    const double copy = FrameCostReporter::of(byName, "BM_MemcpyThreeBlocks");
    std::printf("%-8d %14.3f %18.3f %18.3f %10.1f %14.1f\n", frames, engine, recording, copy, engine / copy,
                recording / copy);
  }
}

}  // namespace

int main(int argc, char** argv) {
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

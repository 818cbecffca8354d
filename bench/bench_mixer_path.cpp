// Cost of the whole two-deck path per frame at a 256-frame block: the engine's master pull renders
// both decks (voice renderer, balance and gain, equaliser with non-flat bands) and mixes them under
// volumes and cross-fader; with the headphone pull as well it is all the audio threads do. Next to
// it, in the same run: one deck's render alone and one deck's equaliser alone, so the share of the
// equaliser in the path can be read off. Figures are CPU ns per frame and how many times faster
// than real time (44100 frames a second) the path runs on one core.

#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <map>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "BenchDecks.h"
#include "FrameCostReporter.h"
#include "audio/DeckEqualiser.h"
#include "audio/MixEngine.h"
#include "tracks/Deck.h"

namespace {

constexpr std::size_t kFrames = 256;
constexpr int kSampleRate = 44100;
// Both decks go back to the start this often, well before the 30-second tracks end.
constexpr int kRewindBlocks = 4096;
constexpr double kRealTimeNsPerFrame = 1e9 / kSampleRate;

// Band knobs away from flat so that every shelf and the peak do real work.
constexpr int kHighKnob = 170;
constexpr int kMidKnob = 100;
constexpr int kLowKnob = 150;

void runPath(benchmark::State& state, bool headphones) {
  gm::bench::TwoDecks decks(kFrames, kHighKnob, kMidKnob, kLowKnob);
  if (!decks.ready) {
    state.SkipWithError("the synthetic tracks did not load");
    return;
  }
  const auto engine = gm::MixEngine::create(&decks.deckA.voice(), &decks.deckB.voice(), kFrames);
  engine->setVolumeA(52057);
  engine->setVolumeB(58409);
  engine->setCrossFader(-300);
  engine->setHeadphonesOff(!headphones);
  engine->setCueSource(1);
  engine->setHeadphoneMasterLevel(120);
  engine->setHeadphoneCueLevel(200);
  std::vector<std::int16_t> master(kFrames * 2);
  std::vector<std::int16_t> phones(kFrames * 2);
  int blocks = 0;
  for (auto _ : state) {
    engine->pull(gm::MixEngine::kMasterPort, master.data(), kFrames * gm::kBytesPerFrame);
    if (headphones) engine->pull(gm::MixEngine::kHeadphonePort, phones.data(), kFrames * gm::kBytesPerFrame);
    if (++blocks == kRewindBlocks) {
      blocks = 0;
      decks.rewind();
    }
    benchmark::DoNotOptimize(master.data());
    benchmark::DoNotOptimize(phones.data());
  }
  state.counters["frames"] = kFrames;
}

void BM_TwoDeckMasterPull(benchmark::State& state) { runPath(state, false); }
void BM_TwoDeckMasterAndHeadphones(benchmark::State& state) { runPath(state, true); }

void BM_OneDeckRender(benchmark::State& state) {
  gm::bench::TwoDecks decks(kFrames, kHighKnob, kMidKnob, kLowKnob);
  if (!decks.ready) {
    state.SkipWithError("the synthetic tracks did not load");
    return;
  }
  std::vector<std::int16_t> block(kFrames * 2);
  int blocks = 0;
  for (auto _ : state) {
    decks.deckA.voice().renderBlock({block.data(), kFrames});
    if (++blocks == kRewindBlocks) {
      blocks = 0;
      decks.rewind();
    }
    benchmark::DoNotOptimize(block.data());
  }
  state.counters["frames"] = kFrames;
}

// One deck's equaliser on its own, on the same 16-bit path and settings as in the deck. The block
// is refilled from a copy each time so that the signal keeps its level.
void BM_OneDeckEqualiser(benchmark::State& state) {
  const gm::EqualiserSettings settings;
  gm::DeckEqualiser equaliser;
  equaliser.setup(settings, gm::DeckEqualiser::bandGainDb(kHighKnob, settings.high.lowerLimitDb, settings.high.upperLimitDb),
                  gm::DeckEqualiser::bandGainDb(kMidKnob, settings.mid.lowerLimitDb, settings.mid.upperLimitDb),
                  gm::DeckEqualiser::bandGainDb(kLowKnob, settings.low.lowerLimitDb, settings.low.upperLimitDb));
  std::mt19937 random(5);
  std::vector<std::int16_t> source(kFrames * 2);
  for (auto& sample : source) sample = std::int16_t(std::int32_t(random() % 20000) - 10000);
  std::vector<std::int16_t> block(kFrames * 2);
  std::vector<float> work(kFrames * 2);
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), block.begin());
    equaliser.runBlock({block.data(), kFrames}, work);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  state.counters["frames"] = kFrames;
}

BENCHMARK(BM_TwoDeckMasterPull);
BENCHMARK(BM_TwoDeckMasterAndHeadphones);
BENCHMARK(BM_OneDeckRender);
BENCHMARK(BM_OneDeckEqualiser);

// Keeps CPU ns per frame of every run for the summary printed after the usual table.
using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

void printSummary(const FrameCostReporter& costs) {
  std::printf("\nCPU ns per stereo frame at a %zu-frame block; x real time = %.1f ns / (ns per frame):\n", kFrames,
              kRealTimeNsPerFrame);
  std::printf("%-32s %10s %14s\n", "", "ns/frame", "x real time");
  for (const char* name :
       {"BM_TwoDeckMasterPull", "BM_TwoDeckMasterAndHeadphones", "BM_OneDeckRender", "BM_OneDeckEqualiser"}) {
    const double ns = costs.nsPerFrame(name);
    std::printf("%-32s %10.3f %14.0f\n", name, ns, ns > 0.0 ? kRealTimeNsPerFrame / ns : 0.0);
  }
  const double path = costs.nsPerFrame("BM_TwoDeckMasterPull");
  if (path > 0.0) {
    std::printf("two equalisers' share of the master path: %.0f %%\n", 200.0 * costs.nsPerFrame("BM_OneDeckEqualiser") / path);
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The decks load on their own threads and report back through the event loop.
  QCoreApplication app(argc, argv);
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

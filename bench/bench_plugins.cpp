// Cost of the plug-ins, loaded from the build tree's program directory through the host: each
// filter's PluginProcess per frame next to a plain copy of the same block (the least any filter
// stage can cost) and a deck rendering a loaded track with no filter on, measured in the same run;
// each filter after 30 s of silence without and with flush-to-zero; and Pulsetrak's DetectTempo on
// a five-minute track at its default settings.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QTemporaryDir>

#include "BenchDecks.h"
#include "FrameCostReporter.h"
#include "audio/FlushToZero.h"
#include "core/Directories.h"
#include "audio/DeckRenderTarget.h"
#include "plugins/FilterChain.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"

namespace {

constexpr std::uint32_t kMaxBlockFrames = 4096;

QString programDir() {
  const QString fromEnvironment = qEnvironmentVariable("GROOVEMANGLER_PROGDIR");
  if (!fromEnvironment.isEmpty()) return fromEnvironment;
  char exe[4096] = {};
  const ssize_t length = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  // The benchmark lives in <build>/bench; the program directory is <build>.
  return QFileInfo(QString::fromLocal8Bit(exe, int(std::max<ssize_t>(length, 0)))).absolutePath() + "/..";
}

struct Environment {
  QTemporaryDir home;
  gm::PluginHost host{gm::Directories::resolve(programDir(), home.path(), QString()), kMaxBlockFrames};
};

Environment& environment() {
  static Environment instance;
  return instance;
}

std::unique_ptr<gm::PluginObject> load(const char* relative) {
  auto plugin = environment().host.createObject(environment().host.resolve(QString("PROGDIR:") + relative));
  if (!plugin) std::fprintf(stderr, "cannot load %s from %s\n", relative, qPrintable(programDir()));
  return plugin;
}

std::vector<std::int16_t> noise(std::size_t frames, unsigned seed) {
  std::vector<std::int16_t> samples(frames * 2);
  std::mt19937 random(seed);
  for (auto& sample : samples) sample = std::int16_t(std::int32_t(random() % 40000) - 20000);
  return samples;
}

// A deck that renders by copying from a long stretch of noise, as cheaply as a deck at speed 1 can.
class CopyDeck final : public gm::DeckRenderTarget {
 public:
  // A silent deck renders from ten seconds of zeros instead.
  explicit CopyDeck(bool silent = false) : track_(silent ? std::vector<std::int16_t>(441000 * 2) : noise(441000, 7)) {}
  void renderFromState(const gm_voice_state& state, gm::SampleBlock block) override {
    const std::size_t start = std::size_t(std::max(0, state.position)) % (track_.size() / 2 - block.frames);
    std::memcpy(block.samples, track_.data() + 2 * start, block.bytes());
  }
  gm_voice_state state() const {
    gm_voice_state s{};
    s.frames = std::int32_t(track_.size() / 2);
    s.position = 100000;
    s.pcm = track_.data();
    s.speed = 1.0f;
    s.volume = 1.0f;
    return s;
  }

 private:
  std::vector<std::int16_t> track_;
};

constexpr int kSilenceSeconds = 30;
using gm::bench::setFrames;

void BM_CopyBlock(benchmark::State& state) {
  const std::size_t frames = std::size_t(state.range(0));
  const std::vector<std::int16_t> source = noise(frames, 1);
  std::vector<std::int16_t> block(frames * 2);
  for (auto _ : state) {
    std::memcpy(block.data(), source.data(), frames * 4);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  setFrames(state, frames);
}

// Through a chain, as a deck's render runs it (the chain lets the Phaser render from the deck).
void runAlone(gm::FilterChain& chain, gm::PluginObject& plugin) {
  chain.append(plugin.pluginClass(), plugin.instance()).setOn(true);
  chain.publish();
}

void runFilter(benchmark::State& state, const char* relative, std::uint32_t attribute, std::int32_t value) {
  const std::size_t frames = std::size_t(state.range(0));
  auto plugin = load(relative);
  if (!plugin) {
    state.SkipWithError("plug-in not built");
    return;
  }
  plugin->setAttribute(attribute, value);
  CopyDeck deck;
  const gm_voice_state voice = deck.state();
  const std::vector<std::int16_t> source = noise(frames, 2);
  std::vector<std::int16_t> block(frames * 2);
  gm::FilterChain chain;
  runAlone(chain, *plugin);
  for (auto _ : state) {
    std::memcpy(block.data(), source.data(), frames * 4);
    chain.process(block.data(), std::uint32_t(frames * 4), &deck, &voice);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  setFrames(state, frames);
}

// Music, then kSilenceSeconds of silence through the filter, as when a track has ended on a playing
// deck; then the cost of a silent block, on a thread with or without flush-to-zero.
void runFilterOnSilence(benchmark::State& state, const char* relative, std::uint32_t attribute, std::int32_t value,
                        bool flushToZero) {
  const std::size_t frames = std::size_t(state.range(0));
  auto plugin = load(relative);
  if (!plugin) {
    state.SkipWithError("plug-in not built");
    return;
  }
  gm::setFlushToZero(flushToZero);
  plugin->setAttribute(attribute, value);
  CopyDeck musicDeck;
  CopyDeck silentDeck(true);
  const gm_voice_state voice = musicDeck.state();
  gm::FilterChain chain;
  runAlone(chain, *plugin);
  std::vector<std::int16_t> block = noise(frames, 2);
  chain.process(block.data(), std::uint32_t(frames * 4), &musicDeck, &voice);
  const std::vector<std::int16_t> silence(frames * 2, 0);
  for (std::size_t done = 0; done < std::size_t(kSilenceSeconds) * 44100; done += frames) {
    block = silence;
    chain.process(block.data(), std::uint32_t(frames * 4), &silentDeck, &voice);
  }
  for (auto _ : state) {
    std::memcpy(block.data(), silence.data(), frames * 4);
    chain.process(block.data(), std::uint32_t(frames * 4), &silentDeck, &voice);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  setFrames(state, frames);
  gm::setFlushToZero(false);
}

// A deck rendering a loaded track with no filter on: what every filter row adds to.
void BM_DeckRender(benchmark::State& state) {
  const std::size_t frames = std::size_t(state.range(0));
  gm::bench::TwoDecks decks(kMaxBlockFrames, 127, 127, 127);
  if (!decks.ready) {
    state.SkipWithError("the synthetic tracks did not load");
    return;
  }
  std::vector<std::int16_t> block(frames * 2);
  std::size_t rendered = 0;
  for (auto _ : state) {
    decks.deckA.voice().renderBlock({block.data(), frames});
    rendered += frames;
    if (rendered > 20 * 44100) {  // the tracks last 30 seconds
      rendered = 0;
      decks.rewind();
    }
    benchmark::DoNotOptimize(block.data());
  }
  setFrames(state, frames);
}

void BM_Mufflex(benchmark::State& state) { runFilter(state, "Filters/Mufflex.filter", GM_FILTER_FREQUENCY, 2000); }
void BM_Thinex(benchmark::State& state) { runFilter(state, "Filters/Thinex.filter", GM_FILTER_FREQUENCY, 200); }
void BM_Phaser(benchmark::State& state) { runFilter(state, "Filters/Phaser.filter", GM_PHASER_LFO, 500); }

void BM_MufflexSilence(benchmark::State& state) { runFilterOnSilence(state, "Filters/Mufflex.filter", GM_FILTER_FREQUENCY, 2000, false); }
void BM_ThinexSilence(benchmark::State& state) { runFilterOnSilence(state, "Filters/Thinex.filter", GM_FILTER_FREQUENCY, 200, false); }
void BM_PhaserSilence(benchmark::State& state) { runFilterOnSilence(state, "Filters/Phaser.filter", GM_PHASER_LFO, 500, false); }
void BM_MufflexSilenceFlushToZero(benchmark::State& state) { runFilterOnSilence(state, "Filters/Mufflex.filter", GM_FILTER_FREQUENCY, 2000, true); }
void BM_ThinexSilenceFlushToZero(benchmark::State& state) { runFilterOnSilence(state, "Filters/Thinex.filter", GM_FILTER_FREQUENCY, 200, true); }
void BM_PhaserSilenceFlushToZero(benchmark::State& state) { runFilterOnSilence(state, "Filters/Phaser.filter", GM_PHASER_LFO, 500, true); }

BENCHMARK(BM_CopyBlock)->Arg(512)->Arg(2048);
BENCHMARK(BM_DeckRender)->Arg(512)->Arg(2048);
BENCHMARK(BM_Mufflex)->Arg(512)->Arg(2048);
BENCHMARK(BM_Thinex)->Arg(512)->Arg(2048);
BENCHMARK(BM_Phaser)->Arg(512)->Arg(2048);
BENCHMARK(BM_MufflexSilence)->Arg(512)->Arg(2048);
BENCHMARK(BM_ThinexSilence)->Arg(512)->Arg(2048);
BENCHMARK(BM_PhaserSilence)->Arg(512)->Arg(2048);
BENCHMARK(BM_MufflexSilenceFlushToZero)->Arg(512)->Arg(2048);
BENCHMARK(BM_ThinexSilenceFlushToZero)->Arg(512)->Arg(2048);
BENCHMARK(BM_PhaserSilenceFlushToZero)->Arg(512)->Arg(2048);

// Five minutes of a drum-like pattern at 126 BPM over quiet noise.
std::vector<std::int16_t> fiveMinuteTrack() {
  const std::size_t frames = 44100 * 300;
  std::vector<std::int16_t> pcm = noise(frames, 3);
  for (auto& sample : pcm) sample = std::int16_t(sample / 20);
  const double beatFrames = 44100.0 * 60.0 / 126.0;
  for (double beat = 0; beat < double(frames); beat += beatFrames) {
    for (std::size_t k = 0; k < 3000 && std::size_t(beat) + k < frames; ++k) {
      const double value = 24000.0 * std::exp(-double(k) / 600.0) * std::sin(double(k) * 0.05);
      pcm[2 * (std::size_t(beat) + k)] = pcm[2 * (std::size_t(beat) + k) + 1] = std::int16_t(value);
    }
  }
  return pcm;
}

void BM_DetectTempo(benchmark::State& state) {
  auto detector = load("BeatDetectors/Pulsetrak.detector");
  if (!detector) {
    state.SkipWithError("plug-in not built");
    return;
  }
  const std::vector<std::int16_t> track = fiveMinuteTrack();
  std::uint32_t tempo = 0;
  for (auto _ : state) {
    tempo = detector->detectTempo(track.data(), std::uint32_t(track.size() / 2));
    benchmark::DoNotOptimize(tempo);
  }
  state.counters["tempo"] = double(tempo);
  state.counters["track_s"] = 300;
}
BENCHMARK(BM_DetectTempo)->Unit(benchmark::kMillisecond)->Iterations(5);

// Keeps CPU ns per frame of the block benchmarks for a side-by-side summary.
using gm::bench::FrameCostReporter;
using gm::bench::runBenchmarks;

void printSummary(const FrameCostReporter& costs) {
  std::printf("\nCPU ns per frame (filter = copy into the block + PluginProcess; references: the copy alone, and a\n"
              "deck rendering a loaded track with no filter on):\n");
  std::printf("%-8s %10s %10s %10s %10s %10s\n", "block", "copy", "deck", "Mufflex", "Thinex", "Phaser");
  for (const auto& [frames, byName] : costs.byBlock()) {
    std::printf("%-8d %10.3f %10.3f %10.3f %10.3f %10.3f\n", frames, FrameCostReporter::of(byName, "BM_CopyBlock"),
                FrameCostReporter::of(byName, "BM_DeckRender"), FrameCostReporter::of(byName, "BM_Mufflex"),
                FrameCostReporter::of(byName, "BM_Thinex"), FrameCostReporter::of(byName, "BM_Phaser"));
  }
  std::printf("\nAfter %d s of silence, without and with flush-to-zero (music for comparison):\n", kSilenceSeconds);
  std::printf("%-8s %-8s %10s %10s %10s\n", "block", "filter", "music", "silence", "silence+FTZ");
  for (const auto& [frames, byName] : costs.byBlock()) {
    for (const std::string filter : {"Mufflex", "Thinex", "Phaser"}) {
      std::printf("%-8d %-8s %10.3f %10.3f %10.3f\n", frames, filter.c_str(), FrameCostReporter::of(byName, "BM_" + filter),
                  FrameCostReporter::of(byName, "BM_" + filter + "Silence"),
                  FrameCostReporter::of(byName, "BM_" + filter + "SilenceFlushToZero"));
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  // The deck row loads its track on the deck's loader thread, which reports through the event loop.
  QCoreApplication app(argc, argv);
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

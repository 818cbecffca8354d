// Cost of the plug-ins, loaded from the build tree's program directory through the host: each
// filter's PluginProcess per frame next to a plain copy of the same block (the least any filter
// stage can cost), and Pulsetrak's DetectTempo on a five-minute track at its default settings.

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

#include "FrameCostReporter.h"
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
  CopyDeck() : track_(noise(441000, 7)) {}
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

void countFrames(benchmark::State& state, std::size_t frames) {
  state.counters["frames"] = double(frames);
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(frames));
}

void BM_CopyBlock(benchmark::State& state) {
  const std::size_t frames = std::size_t(state.range(0));
  const std::vector<std::int16_t> source = noise(frames, 1);
  std::vector<std::int16_t> block(frames * 2);
  for (auto _ : state) {
    std::memcpy(block.data(), source.data(), frames * 4);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  countFrames(state, frames);
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
  // Through a chain, as a deck's render runs it (the chain lets the Phaser render from the deck).
  gm::FilterChain chain;
  chain.append(plugin->pluginClass(), plugin->instance()).setOn(true);
  chain.publish();
  for (auto _ : state) {
    std::memcpy(block.data(), source.data(), frames * 4);
    chain.process(block.data(), std::uint32_t(frames * 4), &deck, &voice);
    benchmark::DoNotOptimize(block.data());
    benchmark::ClobberMemory();
  }
  countFrames(state, frames);
}

void BM_Mufflex(benchmark::State& state) { runFilter(state, "Filters/Mufflex.filter", GM_FILTER_FREQUENCY, 2000); }
void BM_Thinex(benchmark::State& state) { runFilter(state, "Filters/Thinex.filter", GM_FILTER_FREQUENCY, 200); }
void BM_Phaser(benchmark::State& state) { runFilter(state, "Filters/Phaser.filter", GM_PHASER_LFO, 500); }

BENCHMARK(BM_CopyBlock)->Arg(512)->Arg(2048);
BENCHMARK(BM_Mufflex)->Arg(512)->Arg(2048);
BENCHMARK(BM_Thinex)->Arg(512)->Arg(2048);
BENCHMARK(BM_Phaser)->Arg(512)->Arg(2048);

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
  std::printf("\nCPU ns per frame (filter = copy into the block + PluginProcess; reference: the copy alone):\n");
  std::printf("%-8s %10s %10s %10s %10s\n", "block", "copy", "Mufflex", "Thinex", "Phaser");
  for (const auto& [frames, byName] : costs.byBlock()) {
    std::printf("%-8d %10.3f %10.3f %10.3f %10.3f\n", frames, FrameCostReporter::of(byName, "BM_CopyBlock"),
                FrameCostReporter::of(byName, "BM_Mufflex"), FrameCostReporter::of(byName, "BM_Thinex"), FrameCostReporter::of(byName, "BM_Phaser"));
  }
}

}  // namespace

int main(int argc, char** argv) {
  FrameCostReporter reporter;
  if (!runBenchmarks(argc, argv, reporter)) return 1;
  printSummary(reporter);
  return 0;
}

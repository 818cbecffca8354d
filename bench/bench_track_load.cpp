// Loading a 5-minute track, in one run, against references measured in the same run:
// 1. load-to-ready of a FLAC, an MP3 and a 48 kHz FLAC that is resampled to 44100 Hz (decode into
//    deck memory, extremes, overview, key) next to pulling the same file through the decoder layer
//    alone (FFmpeg decoding, sample conversion and resampling);
// 2. the whole analysis a deck's loader thread does for a FLAC and an MP3 (decode with key, tempo
//    detection, the three bands, the colour image and the waveform cache), for a first load that
//    fills the cache and a second load that reads it, next to the ffmpeg command decoding the same
//    file to nothing on one thread. The time until the deck would be ready (analysis finished; the
//    cache is written after it) is shown as well.
// Figures are the best of a few runs in wall-clock time; CPU seconds follow in brackets. Section 1
// also compares the track memory on huge pages (as the decks load) with the default pages.

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QDir>
#include <QTemporaryDir>

#include "core/Directories.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "tracks/BandAnalysis.h"
#include "tracks/MediaDecoder.h"
#include "tracks/TrackLoader.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kRuns = 5;

struct Cost {
  double wallSeconds = 1e9;
  double cpuSeconds = 1e9;
};

double cpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The best of `runs` runs of `work`, which returns false when it failed (the cost is then negative).
// `who` says whose CPU time counts: this process (RUSAGE_SELF) or the commands it ran.
Cost best(const std::function<bool()>& work, int who, int runs = kRuns) {
  Cost cost;
  for (int i = 0; i < runs; ++i) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds(who);
    if (!work()) return {-1, -1};
    cost.wallSeconds = std::min(cost.wallSeconds, std::chrono::duration<double>(Clock::now() - start).count());
    cost.cpuSeconds = std::min(cost.cpuSeconds, cpuSeconds(who) - cpuStart);
  }
  return cost;
}

// FFmpeg through the decoder layer, into a reused buffer.
bool decodeAlone(const std::string& path) {
  std::string error;
  auto decoder = gm::MediaDecoder::open(path, &error);
  if (!decoder) return false;
  std::vector<char> buffer(gm::TrackLoader::kPullBytes);
  while (decoder->pull(buffer.data(), buffer.size()) > 0) {
  }
  return true;
}

std::shared_ptr<gm::SampleData> loadToReady(const std::string& path,
                                            gm::PcmMemory::Pages pages = gm::PcmMemory::Pages::Huge) {
  gm::TrackLoader::Hooks hooks;
  hooks.attach = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.decoded = [](const gm::SampleData&, std::int32_t) {};
  hooks.progress = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.cancelled = [] { return false; };
  std::string error;
  gm::TrackLoader::Options options;
  options.pages = pages;
  return gm::TrackLoader::decode(path, hooks, error, options);
}

long minorFaults() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return usage.ru_minflt;
}

// Page faults of one load: what the memory's first touch costs in number.
long faultsOfLoad(const std::string& path, gm::PcmMemory::Pages pages) {
  const long before = minorFaults();
  loadToReady(path, pages);
  return minorFaults() - before;
}

// Everything the deck's loader thread does for a track without a script, caching on. `readySeconds`
// is when the deck would be told the analysis finished (the cache is written after that).
bool analyse(const std::string& path, gm::PluginObject& detector, const QString& cacheDir, double& readySeconds) {
  const auto start = Clock::now();
  std::shared_ptr<gm::SampleData> sample = loadToReady(path);
  if (!sample) return false;
  sample->detectedBpm = std::int32_t(detector.detectTempo(sample->pcm.data(), std::uint32_t(sample->frames)));
  gm::BandAnalysis::Hooks hooks;
  hooks.finished = [&] { readySeconds = std::min(readySeconds, std::chrono::duration<double>(Clock::now() - start).count()); };
  return gm::BandAnalysis::run(*sample, {cacheDir, true}, hooks) && sample->bands.colourReady;
}

bool ffmpegToNothing(const std::string& path) {
  const std::string command = "ffmpeg -nostdin -loglevel error -threads 1 -i '" + path + "' -f null -";
  return std::system(command.c_str()) == 0;
}

void printRatio(const char* label, const Cost& cost, const Cost& reference, double readySeconds) {
  std::printf("  %-22s %7.3f s (%6.3f cpu)  %5.2fx (%5.2fx cpu)   ready after %.3f s: %5.2fx\n", label, cost.wallSeconds,
              cost.cpuSeconds, cost.wallSeconds / reference.wallSeconds, cost.cpuSeconds / reference.cpuSeconds, readySeconds,
              readySeconds / reference.wallSeconds);
}

void compareLoaders(const std::vector<std::pair<std::string, std::string>>& files) {
  // CPU seconds (the kernel's share included: page faults are kernel work) vary far less than the
  // wall on a shared machine. The loader runs with the track on huge pages, as the decks load, and
  // on the system's default pages, whose first touch costs a fault every 4 KiB.
  std::printf("Load to ready against the decoder layer alone (cpu seconds)\n%-6s %10s %12s %12s %8s %8s %12s %14s\n",
              "file", "huge (s)", "default (s)", "decoder (s)", "huge", "default", "faults huge", "faults default");
  for (const auto& [label, path] : files) {
    using Pages = gm::PcmMemory::Pages;
    const Cost reference = best([&] { return decodeAlone(path); }, RUSAGE_SELF, 3);
    const Cost huge = best([&] { return loadToReady(path, Pages::Huge) != nullptr; }, RUSAGE_SELF, 3);
    const Cost normal = best([&] { return loadToReady(path, Pages::Default) != nullptr; }, RUSAGE_SELF, 3);
    std::printf("%-6s %10.3f %12.3f %12.3f %8.2f %8.2f %12ld %14ld\n", label.c_str(), huge.cpuSeconds, normal.cpuSeconds,
                reference.cpuSeconds, huge.cpuSeconds / reference.cpuSeconds, normal.cpuSeconds / reference.cpuSeconds,
                faultsOfLoad(path, Pages::Huge), faultsOfLoad(path, Pages::Default));
  }
}

void compareAnalyses(const std::vector<std::pair<std::string, std::string>>& files, gm::PluginObject& detector,
                     const QString& cacheDir) {
  std::printf("\nWhole analysis (decode, key, tempo, bands, colour, cache) against `ffmpeg -threads 1 ... -f null -`\n");
  for (const auto& [label, path] : files) {
    // The three take turns, so that other work on the machine weighs on each alike.
    Cost reference, first, second;
    double firstReady = 1e9, secondReady = 1e9;
    for (int run = 0; run < kRuns; ++run) {
      auto keepBest = [](Cost& kept, const Cost& now) {
        kept.wallSeconds = std::min(kept.wallSeconds, now.wallSeconds);
        kept.cpuSeconds = std::min(kept.cpuSeconds, now.cpuSeconds);
      };
      keepBest(reference, best([&] { return ffmpegToNothing(path); }, RUSAGE_CHILDREN, 1));
      keepBest(first, best([&] { return QDir(cacheDir).removeRecursively() && analyse(path, detector, cacheDir, firstReady); },
                           RUSAGE_SELF, 1));
      keepBest(second, best([&] { return analyse(path, detector, cacheDir, secondReady); }, RUSAGE_SELF, 1));
    }
    std::printf("%s\n  %-22s %7.3f s (%6.3f cpu)\n", label.c_str(), "ffmpeg", reference.wallSeconds, reference.cpuSeconds);
    printRatio("first load (fills)", first, reference, firstReady);
    printRatio("second load (cached)", second, reference, secondReady);
  }
}

}  // namespace

int main(int argc, char** argv) {
  const std::string tools = argc > 1 ? argv[1] : QDir(QString::fromLocal8Bit(argv[0])).filePath("../..").toStdString();
  QTemporaryDir dir;
  const std::string wav = dir.filePath("five-minutes.wav").toStdString();
  const std::string make = "'" + tools + "/gm-demo-tracks' --bpm 126 --seconds 300 --out '" + wav + "'";
  if (std::system(make.c_str()) != 0) {
    std::fprintf(stderr, "cannot make the test track (pass the directory of gm-demo-tracks)\n");
    return 1;
  }
  std::vector<std::pair<std::string, std::string>> files;
  for (const auto& [label, name, options] : {std::tuple{"flac", "five-minutes.flac", ""}, std::tuple{"mp3", "five-minutes.mp3", ""},
                                             std::tuple{"flac48", "five-minutes-48k.flac", "-ar 48000"}}) {
    const std::string encoded = dir.filePath(name).toStdString();
    const std::string convert = "ffmpeg -loglevel error -y -i '" + wav + "' " + options + " '" + encoded + "'";
    if (std::system(convert.c_str()) == 0) files.emplace_back(label, encoded);
  }
  compareLoaders(files);

  // The program directory holds the beat detector; the cache goes to a directory of its own.
  const QString programDir = QString::fromStdString(tools);
  gm::PluginHost host(gm::Directories::resolve(programDir, dir.filePath("home"), programDir + "/GrooveMangler"));
  std::unique_ptr<gm::PluginObject> detector = host.createDetector();
  if (!detector) {
    std::fprintf(stderr, "no beat detector in %s/BeatDetectors\n", tools.c_str());
    return 1;
  }
  files.pop_back();  // the whole analysis for the 44.1 kHz files
  compareAnalyses(files, *detector, dir.filePath("Cache"));
  return 0;
}

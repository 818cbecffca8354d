// Load-to-ready time of a 5-minute FLAC and MP3, and of a 48 kHz FLAC that is resampled to 44100 Hz
// (decode into deck memory, extremes, overview, key: everything the loader does before it reports
// the track loaded), next to pulling the same file through the decoder layer alone (FFmpeg decoding,
// sample conversion and resampling), in one run: the 44.1 kHz FLAC is the reference for the 48 kHz one.
// The loader runs twice: with the track's memory on huge pages (as the decks load) and on the
// system's default pages, whose first touch costs a page fault every 4 KiB.

#include <sys/resource.h>

#include <algorithm>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include <QDir>
#include <QTemporaryDir>

#include "tracks/MediaDecoder.h"
#include "tracks/TrackLoader.h"

namespace {

// Processor time of this process, the kernel's share included (page faults are kernel work): on a
// machine shared with other work it varies far less than the time on the wall.
double cpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

double secondsSince(double start) { return cpuSeconds() - start; }

// FFmpeg through the decoder layer, into a reused buffer: the reference.
double decodeAlone(const std::string& path) {
  const double start = cpuSeconds();
  std::string error;
  auto decoder = gm::MediaDecoder::open(path, &error);
  if (!decoder) return -1;
  std::vector<char> buffer(gm::TrackLoader::kPullBytes);
  while (decoder->pull(buffer.data(), buffer.size()) > 0) {
  }
  return secondsSince(start);
}

double loadToReady(const std::string& path, gm::PcmMemory::Pages pages) {
  const double start = cpuSeconds();
  gm::TrackLoader::Hooks hooks;
  hooks.attach = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.decoded = [](const gm::SampleData&, std::int32_t) {};
  hooks.progress = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.cancelled = [] { return false; };
  std::string error;
  gm::TrackLoader::Options options;
  options.pages = pages;
  auto sample = gm::TrackLoader::decode(path, hooks, error, options);
  return sample ? secondsSince(start) : -1;
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

double best(const std::function<double()>& measure, int runs) {
  double fastest = 1e9;
  for (int i = 0; i < runs; ++i) fastest = std::min(fastest, measure());
  return fastest;
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
  std::printf("%-6s %10s %12s %12s %9s %9s %12s %14s\n", "file", "huge (s)", "default (s)", "decoder (s)", "huge/dec",
              "def/dec", "huge faults", "default faults");
  struct Format {
    const char* label;
    const char* fileName;
    const char* options;
  };
  for (const Format& format : {Format{"flac", "five-minutes.flac", ""}, Format{"mp3", "five-minutes.mp3", ""},
                               Format{"flac48", "five-minutes-48k.flac", "-ar 48000"}}) {
    const std::string encoded = dir.filePath(format.fileName).toStdString();
    const std::string convert =
        "ffmpeg -loglevel error -y -i '" + wav + "' " + format.options + " '" + encoded + "'";
    if (std::system(convert.c_str()) != 0) continue;
    const double reference = best([&] { return decodeAlone(encoded); }, 5);
    const double huge = best([&] { return loadToReady(encoded, gm::PcmMemory::Pages::Huge); }, 5);
    const double normal = best([&] { return loadToReady(encoded, gm::PcmMemory::Pages::Default); }, 5);
    std::printf("%-6s %10.3f %12.3f %12.3f %9.2f %9.2f %12ld %14ld\n", format.label, huge, normal, reference,
                huge / reference, normal / reference, faultsOfLoad(encoded, gm::PcmMemory::Pages::Huge),
                faultsOfLoad(encoded, gm::PcmMemory::Pages::Default));
  }
  return 0;
}

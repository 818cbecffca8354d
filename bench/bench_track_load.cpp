// Load-to-ready time of a 5-minute FLAC and MP3, and of a 48 kHz FLAC that is resampled to 44100 Hz
// (decode into deck memory, extremes, overview, key: everything the loader does before it reports
// the track loaded), next to pulling the same file through the decoder layer alone (FFmpeg decoding,
// sample conversion and resampling), in one run: the 44.1 kHz FLAC is the reference for the 48 kHz one.

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <QDir>
#include <QTemporaryDir>

#include "tracks/MediaDecoder.h"
#include "tracks/TrackLoader.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// FFmpeg through the decoder layer, into a reused buffer: the reference.
double decodeAlone(const std::string& path) {
  const auto start = Clock::now();
  std::string error;
  auto decoder = gm::MediaDecoder::open(path, &error);
  if (!decoder) return -1;
  std::vector<char> buffer(gm::TrackLoader::kPullBytes);
  while (decoder->pull(buffer.data(), buffer.size()) > 0) {
  }
  return secondsSince(start);
}

double loadToReady(const std::string& path) {
  const auto start = Clock::now();
  gm::TrackLoader::Hooks hooks;
  hooks.attach = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.decoded = [](std::int32_t) {};
  hooks.progress = [](const std::shared_ptr<gm::SampleData>&) {};
  hooks.cancelled = [] { return false; };
  std::string error;
  auto sample = gm::TrackLoader::decode(path, hooks, error);
  return sample ? secondsSince(start) : -1;
}

double best(double (*measure)(const std::string&), const std::string& path, int runs) {
  double fastest = 1e9;
  for (int i = 0; i < runs; ++i) fastest = std::min(fastest, measure(path));
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
  std::printf("%-6s %14s %14s %8s\n", "file", "loader (s)", "decoder (s)", "ratio");
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
    const double reference = best(decodeAlone, encoded, 3);
    const double loader = best(loadToReady, encoded, 3);
    std::printf("%-6s %14.3f %14.3f %8.2f\n", format.label, loader, reference, loader / reference);
  }
  return 0;
}

// `GrooveMangler --analyse` over 20 five-minute MP3 files, against references measured in the same
// run: the first analysis (cache empty) with two jobs against the same with one job, and a second
// analysis (every band in the cache) against the first. The runs take turns, so the machine's other
// work weighs on each alike; figures are the best of a few runs, in wall-clock seconds with the CPU
// seconds of the program in brackets. What two threads can gain on this machine at the moment is
// measured alongside, with fixed arithmetic on one thread against the same on two, since a machine
// shared with other work may give two threads little more than one.
//
//   build/bench/bench_analyse [BUILD_DIR [RUNS]]   (BUILD_DIR holds GrooveMangler and gm-demo-tracks)

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

constexpr int kTracks = 20;
constexpr int kTrackSeconds = 300;
constexpr int kFirstTempo = 110;

struct Cost {
  double wallSeconds = 1e9;
  double cpuSeconds = 1e9;
  void keepBest(const Cost& other) {
    wallSeconds = std::min(wallSeconds, other.wallSeconds);
    cpuSeconds = std::min(cpuSeconds, other.cpuSeconds);
  }
};

double childCpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_CHILDREN, &usage);
  auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

std::string quoted(const QString& path) { return "'" + path.toStdString() + "'"; }

// Twenty tracks of their own (each tempo gives other audio, so other keys), as MP3 files.
bool makeTracks(const std::string& tools, const QString& music) {
  QDir().mkpath(music);
  for (int i = 0; i < kTracks; ++i) {
    const QString wav = music + QString("/track%1.wav").arg(i, 2, 10, QChar('0'));
    const QString mp3 = QString(wav).replace(".wav", ".mp3");
    const std::string make = "'" + tools + "/gm-demo-tracks' --bpm " + std::to_string(kFirstTempo + i) +
                             " --seconds " + std::to_string(kTrackSeconds) + " --out " + quoted(wav);
    const std::string encode = "ffmpeg -nostdin -loglevel error -y -i " + quoted(wav) + " -b:a 192k " + quoted(mp3);
    if (!run(make) || !run(encode) || !QFile::remove(wav)) return false;
  }
  return true;
}

// One analysis of the folder; the cache and the database are emptied first when `fresh`.
Cost analyse(const std::string& program, const QString& home, const QString& music, int jobs, bool fresh) {
  if (fresh) QDir(home).removeRecursively();
  const std::string command = program + " --home " + quoted(home) + " --analyse --jobs " + std::to_string(jobs) + " " +
                              quoted(music) + " >/dev/null 2>&1";
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = childCpuSeconds();
  if (!run(command)) return {-1, -1};
  return {std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), childCpuSeconds() - cpuStart};
}

// Fixed arithmetic that no compiler shortens: about a second on one core.
double spin() {
  volatile double x = 1.0;
  for (int i = 0; i < 200'000'000; ++i) x = x * 1.0000001 + 1e-9;
  return x;
}

// How much more work two threads do than one in the same time (2.0: two free cores).
double threadGain() {
  const auto start = std::chrono::steady_clock::now();
  spin();
  const auto middle = std::chrono::steady_clock::now();
  std::thread other(spin);
  spin();
  other.join();
  const auto end = std::chrono::steady_clock::now();
  return 2.0 * std::chrono::duration<double>(middle - start).count() /
         std::chrono::duration<double>(end - middle).count();
}

void print(const char* label, const Cost& cost, const Cost& reference, const char* referenceLabel) {
  std::printf("  %-28s %7.2f s (%6.2f cpu)   %5.2fx faster than %s\n", label, cost.wallSeconds, cost.cpuSeconds,
              reference.wallSeconds / cost.wallSeconds, referenceLabel);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string build = argc > 1 ? argv[1] : QDir(QString::fromLocal8Bit(argv[0])).filePath("../..").toStdString();
  const int runs = argc > 2 ? std::max(1, std::atoi(argv[2])) : 3;
  QTemporaryDir dir;
  const QString music = dir.filePath("music"), home = dir.filePath("home");
  std::printf("Making %d tracks of %d s ...\n", kTracks, kTrackSeconds);
  if (!makeTracks(build, music)) {
    std::fprintf(stderr, "cannot make the tracks (pass the directory of gm-demo-tracks; ffmpeg is needed)\n");
    return 1;
  }
  // The saved settings of this user stay out of it: the cache goes to the home directory given.
  qputenv("XDG_CONFIG_HOME", dir.filePath("config").toLocal8Bit());
  qputenv("XDG_RUNTIME_DIR", dir.filePath("runtime").toLocal8Bit());
  const std::string program = "'" + build + "/GrooveMangler'";
  Cost oneJob, twoJobs, cached;
  double bestGain = 0;
  for (int i = 0; i < runs; ++i) {
    bestGain = std::max(bestGain, threadGain());
    oneJob.keepBest(analyse(program, home, music, 1, true));
    twoJobs.keepBest(analyse(program, home, music, 2, true));
    cached.keepBest(analyse(program, home, music, 2, false));
  }
  if (oneJob.wallSeconds < 0 || twoJobs.wallSeconds < 0 || cached.wallSeconds < 0) {
    std::fprintf(stderr, "an analysis failed\n");
    return 1;
  }
  std::printf("--analyse over %d MP3 files of %d s, best of %d (the cache emptied before each first run)\n", kTracks,
              kTrackSeconds, runs);
  std::printf("  %-28s %7.2f s (%6.2f cpu)\n", "first run, --jobs 1", oneJob.wallSeconds, oneJob.cpuSeconds);
  print("first run, --jobs 2", twoJobs, oneJob, "--jobs 1");
  print("second run (cached), --jobs 2", cached, twoJobs, "the first run");
  std::printf("  two threads of fixed arithmetic did %.2fx the work of one in the same time (best of %d)\n", bestGain,
              runs);
  return 0;
}

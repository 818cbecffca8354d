// Recording a 10-minute mix: two playing decks pulled by a master output thread 20 times faster
// than real time, the main thread's tick (also 20 times faster) handing the blocks to the recorder,
// which writes the WAV files on its own thread. Reports the record queue's high-water mark and the
// main thread's worst and 99th-percentile time per tick, next to a reference measured in the same
// run: the same recording with the file written on the main thread itself.
//
// Usage: bench_recorder [DIRECTORY]  (the recordings go to a temporary directory there; default:
// the current directory, so that they meet a real disk rather than memory)

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>

#include "BenchDecks.h"
#include "audio/MixEngine.h"
#include "core/Directories.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "recorder/Recorder.h"
#include "recorder/WavFileWriter.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kSpeedUp = 20;
constexpr int kMixSeconds = 600;
constexpr std::size_t kOutputBlockFrames = 256;
constexpr auto kTick = std::chrono::microseconds(25000 / kSpeedUp);

struct Figures {
  double worstTickMs = 0;
  double p99TickMs = 0;
  std::size_t highWaterBytes = 0;
  std::size_t capacityBytes = 0;
  std::uint64_t lostBlocks = 0;
  double wallSeconds = 0;
};

// The master output: pulls blocks at kSpeedUp times real time until the mix is over.
class FastMasterOutput {
 public:
  explicit FastMasterOutput(gm::MixEngine& engine) : engine_(engine), thread_([this] { run(); }) {}
  ~FastMasterOutput() { thread_.join(); }
  bool done() const { return done_.load(); }

 private:
  void run() {
    std::vector<std::int16_t> block(kOutputBlockFrames * gm::kChannels);
    const auto start = Clock::now();
    const std::size_t totalFrames = std::size_t(kMixSeconds) * gm::kSampleRate;
    for (std::size_t frames = 0; frames < totalFrames; frames += kOutputBlockFrames) {
      engine_.pull(gm::MixEngine::kMasterPort, block.data(), block.size() * sizeof(std::int16_t));
      const auto due = start + std::chrono::nanoseconds(
                                   std::int64_t(1e9 * double(frames + kOutputBlockFrames) / gm::kSampleRate / kSpeedUp));
      std::this_thread::sleep_until(due);
    }
    done_.store(true);
  }

  gm::MixEngine& engine_;
  std::atomic<bool> done_{false};
  std::thread thread_;
};

// What the main thread would do if it wrote the file itself: the reference.
class DirectWriter final : public gm::RecordReceiver {
 public:
  explicit DirectWriter(const QString& directory) {
    QString error;
    file_ = gm::WavFileWriter::create(directory, "direct", QDateTime::currentDateTime(), &error);
  }
  void receiveRecordBlock(gm::ConstSampleBlock block) override {
    if (file_) file_->append(reinterpret_cast<const std::uint8_t*>(block.samples), block.bytes());
  }
  bool ok() const { return file_ != nullptr && file_->error().isEmpty(); }

 private:
  std::unique_ptr<gm::WavFileWriter> file_;
};

// Runs the mix through `tick` at the sped-up tick rate and measures each tick.
template <typename Tick>
Figures recordMix(gm::MixEngine& engine, Tick tick) {
  Figures figures;
  std::vector<double> tickMs;
  const auto start = Clock::now();
  {
    FastMasterOutput master(engine);
    auto due = Clock::now();
    while (!master.done()) {
      due += kTick;
      std::this_thread::sleep_until(due);
      const auto begin = Clock::now();
      tick();
      tickMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - begin).count());
    }
  }
  tick();  // the last blocks
  figures.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
  std::sort(tickMs.begin(), tickMs.end());
  figures.worstTickMs = tickMs.back();
  figures.p99TickMs = tickMs[tickMs.size() * 99 / 100];
  figures.highWaterBytes = engine.recordQueueHighWaterBytes();
  figures.capacityBytes = engine.recordQueueCapacityBytes();
  figures.lostBlocks = engine.lostRecordBlocks();
  return figures;
}

void print(const char* what, const Figures& f) {
  std::printf("%-34s worst tick %7.3f ms   p99 %6.3f ms   queue high water %7zu of %zu bytes (%.1f%%)   lost %llu   "
              "%.1f s\n",
              what, f.worstTickMs, f.p99TickMs, f.highWaterBytes, f.capacityBytes,
              100.0 * double(f.highWaterBytes) / double(f.capacityBytes), static_cast<unsigned long long>(f.lostBlocks),
              f.wallSeconds);
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QTemporaryDir dir(QDir(argc > 1 ? argv[1] : ".").absoluteFilePath("bench_recorder-XXXXXX"));
  gm::bench::TwoDecks decks(kOutputBlockFrames, 50, 50, 50);
  if (!dir.isValid() || !decks.ready) {
    std::fprintf(stderr, "bench_recorder: could not set up (directory or decks)\n");
    return 1;
  }
  std::printf("A %d-minute mix at %dx real time, %zu-frame output blocks, recordings in %s\n", kMixSeconds / 60,
              kSpeedUp, kOutputBlockFrames, qPrintable(dir.path()));

  // The reference first: the main thread writes the file itself.
  auto engine = gm::MixEngine::create(&decks.deckA.voice(), &decks.deckB.voice(), kOutputBlockFrames);
  engine->setHeadphonesOff(true);
  DirectWriter direct(dir.path());
  engine->setRecordReceiver(&direct);
  const Figures reference = recordMix(*engine, [&] { engine->drainRecordBlocks(); });
  engine->setRecordReceiver(nullptr);

  decks.rewind();
  engine = gm::MixEngine::create(&decks.deckA.voice(), &decks.deckB.voice(), kOutputBlockFrames);
  engine->setHeadphonesOff(true);
  const gm::Directories directories = gm::Directories::resolve(dir.path(), dir.path(), QString());
  gm::Settings settings;
  gm::StatusLine status;
  QStringList messages;
  QObject::connect(&status, &gm::StatusLine::shown, [&](const QString& text) { messages << text; });
  gm::Recorder recorder(directories, settings, status);
  settings.setValue(gm::kRecordingDirectorySettingId, dir.path());
  recorder.setEngine(engine.get());
  recorder.start();
  const Figures figures = recordMix(*engine, [&] {
    recorder.periodicUpdate();
    QCoreApplication::processEvents();
  });
  recorder.stop();
  recorder.waitUntilWritten();
  QCoreApplication::processEvents();
  recorder.setEngine(nullptr);

  print("main thread writes (reference):", reference);
  print("recorder with its writer thread:", figures);
  for (const QString& message : messages) std::printf("  %s\n", qPrintable(message));
  return direct.ok() && !messages.isEmpty() && messages.last().startsWith("Recorded") ? 0 : 1;
}

#pragma once
// Writes recordings on a thread of their own ("GrooveMangler Recorder"), fed in order from the main
// thread: the main thread decides what goes where (blocks, splits, the end) and never waits for the
// disk, so a slow or stalled disk cannot hold up the window, the command port or the tick. What
// happened to each file comes back to the main thread as a report.

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QString>

#include "core/Worker.h"

namespace gm {

class WavFileWriter;

class RecordingWriter {
 public:
  struct Report {
    enum class Kind { Finished, Failed };
    Kind kind = Kind::Finished;
    std::uint64_t session = 0;  // the recording the file belongs to
    QString path;               // the file; empty when none could be created
    std::uint64_t dataBytes = 0;  // bytes of samples the file holds
    QString error;              // why it failed
  };
  using Reporter = std::function<void(const Report&)>;

  // Reports run on the main thread, and never once `context` is gone.
  RecordingWriter(QObject* context, Reporter reporter);
  // Writes everything queued, then ends the thread.
  ~RecordingWriter();
  RecordingWriter(const RecordingWriter&) = delete;
  RecordingWriter& operator=(const RecordingWriter&) = delete;

  // [main-thread] A recording starts in `file`, made by the main thread.
  void begin(std::uint64_t session, std::unique_ptr<WavFileWriter> file);
  // [main-thread] Little-endian samples for the current file.
  void append(std::vector<std::uint8_t> bytes);
  // [main-thread] Finishes the current file and goes on in a new one, named for `localTime`.
  void split(const QString& directory, const QString& prefix, const QDateTime& localTime);
  // [main-thread] Finishes the current file: the recording ends.
  void end();

  // [any-thread] Bytes handed to append() and not yet written.
  std::size_t backlogBytes() const { return backlogBytes_.load(std::memory_order_relaxed); }
  // [main-thread] Waits until everything queued so far is on its way to the disk (tests, benchmarks).
  void waitIdle() { worker_.waitIdle(); }

 private:
  // [writer-thread] The jobs.
  void finishFile();
  void report(Report::Kind kind, const QString& error);

  QObject* context_;
  Reporter reporter_;
  std::atomic<std::size_t> backlogBytes_{0};
  // [writer-thread] only.
  std::unique_ptr<WavFileWriter> file_;
  std::uint64_t session_ = 0;
  Worker worker_{"GrooveMangler Recorder"};  // last: its thread stops before the state it uses goes
};

}  // namespace gm

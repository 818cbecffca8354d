#pragma once
// The mix recorder: while its record button is on, every master block the engine makes is appended
// to a WAV file in the recordings directory, moving on to a new time-stamped file when the chosen
// size limit would be passed. The engine's copies reach it on the main thread at each tick; the
// files are written by a RecordingWriter so that the disk never holds up the main thread.
// A recording that cannot go on (full disk, write error, a disk that cannot keep up) stops with a
// message and leaves a valid file; the status line names each file only once it is complete.

#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include <QDateTime>
#include <QObject>
#include <QString>

#include "audio/RecordReceiver.h"
#include "control/EventList.h"
#include "control/EventTarget.h"
#include "core/BoundedValue.h"
#include "recorder/RecordingWriter.h"

namespace gm {

class Directories;
class MixEngine;
class Settings;
class StatusLine;

inline const QString kRecordingDirectorySettingId = QStringLiteral("PTHR");
inline const QString kRecordingPrefixSettingId = QStringLiteral("FILR");
inline const QString kRecordingLimitSettingId = QStringLiteral("FILS");
inline const QString kDefaultRecordingDirectory = QStringLiteral("PROGDIR:Recordings");
inline const QString kDefaultRecordingPrefix = QStringLiteral("mix");

class Recorder final : public QObject, public RecordReceiver, public EventTarget {
  Q_OBJECT
 public:
  // The "Start/Stop Recording" event's method.
  static constexpr std::uint32_t kToggleMethod = 0x80008A04;
  // Audio waiting for the disk beyond this (thirty seconds) means the disk cannot keep up.
  static constexpr std::size_t kMaxBacklogBytes = 30 * 176400;
  // The local time that names new files.
  using Clock = std::function<QDateTime()>;

  // Defines the recording settings (directory, file-name prefix, size limit) in `settings`.
  Recorder(const Directories& directories, Settings& settings, StatusLine& status, QObject* parent = nullptr);
  // Finishes a recording still running and waits until its file is complete.
  ~Recorder() override;

  // [main-thread] The engine whose master blocks are recorded; nullptr while the audio is stopped
  // or restarted. A recording goes on in the same file across a restart of the audio.
  void setEngine(MixEngine* engine);

  // [main-thread] Start and stop, as the record button does (the button follows). Start does nothing
  // while recording or without an engine; when the file cannot be created it says why in the status
  // line and the button goes back off.
  void start();
  void stop();
  // [main-thread] The event toggle: 0 flips the record button; any other value does nothing.
  void toggle(std::int32_t value);
  // [main-thread] The tick's share: takes the engine's blocks, hands them to the writer and shows
  // the elapsed time.
  void periodicUpdate();

  // [main-thread] Once: the "Recorder" zone's "Start/Stop Recording" toggle.
  void registerEvents(EventList& events);
  void invokeEvent(std::uint32_t method, std::int32_t value) override;
  std::optional<bool> eventState(std::uint32_t method) const override;
  // [main-thread] One master block from the engine.
  void receiveRecordBlock(ConstSampleBlock block) override;

  bool recording() const { return recording_; }
  BoundedValue& recordButton() { return recordButton_; }
  // "HH:MM:SS" since the recording started; kept after it stops.
  const QString& elapsedText() const { return elapsedText_; }
  void setClock(Clock clock) { clock_ = std::move(clock); }
  // [main-thread] Waits until the writer has written everything handed to it so far (tests,
  // benchmarks). Its reports still arrive through the event loop.
  void waitUntilWritten() { writer_.waitIdle(); }

 Q_SIGNALS:
  void elapsedChanged(const QString& text);

 private:
  void defineSettings();
  bool openFirstFile();
  void flushBlocks();
  void showElapsed();
  void receiveReport(const RecordingWriter::Report& report);
  void stopWithMessage(const QString& text);

  const Directories& directories_;
  Settings& settings_;
  StatusLine& status_;
  MixEngine* engine_ = nullptr;
  BoundedValue recordButton_{0, 1, 0};
  QString elapsedText_ = QStringLiteral("00:00:00");
  Clock clock_ = [] { return QDateTime::currentDateTime(); };
  bool registered_ = false;
  EventList::WeakRef registeredWith_;

  // The recording in progress, as the main thread sees it.
  bool recording_ = false;
  std::uint64_t session_ = 0;
  int limitMode_ = 0;                     // the size limit when the recording started
  std::int64_t fileSystemMaximumBytes_ = 0;
  QString directory_;
  QString prefix_;
  std::uint64_t dataBytes_ = 0;           // bytes of samples sent to the current file
  std::vector<std::uint8_t> blocks_;      // this tick's blocks, little-endian, for the writer
  bool blocksArrived_ = false;
  std::chrono::steady_clock::time_point startTime_;
  std::int64_t shownSeconds_ = 0;

  RecordingWriter writer_;  // last: the writer finishes before the state above goes
};

}  // namespace gm

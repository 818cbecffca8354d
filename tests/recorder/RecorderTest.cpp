// The mix recorder against real files: the exact header of an empty recording and names that never
// replace a file, a split at the file system's maximum on a block boundary, the size limits'
// arithmetic at their edges, a recording killed mid-way that still plays up to its last second, and
// a full disk that stops the recording with a message and a valid file.

#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <memory>
#include <vector>

#include <QDir>
#include <QFile>
#include <QStringList>

#include "audio/BlockRenderer.h"
#include "audio/MixEngine.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "recorder/Recorder.h"
#include "recorder/RecordingLimit.h"
#include "recorder/WavFileHeader.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/MediaDecoder.h"

namespace gm {
namespace {

constexpr std::size_t kBlockFrames = 1024;
constexpr std::size_t kBlockBytes = kBlockFrames * kBytesPerFrame;

// Samples that differ from block to block and from the byte-swapped ones.
std::vector<std::int16_t> syntheticBlock(int index) {
  std::vector<std::int16_t> samples(kBlockFrames * kChannels);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = std::int16_t(std::uint16_t((index * samples.size() + i) * 7919 + 3));
  }
  return samples;
}

QByteArray littleEndianBlocks(int first, int count, std::size_t extraBytes = 0) {
  QByteArray bytes;
  for (int index = first; index < first + count + (extraBytes > 0 ? 1 : 0); ++index) {
    for (std::int16_t sample : syntheticBlock(index)) {
      bytes.append(char(std::uint16_t(sample) & 0xFF)).append(char(std::uint16_t(sample) >> 8));
    }
  }
  return bytes.left(qsizetype(count * kBlockBytes + extraBytes));
}

std::uint32_t littleEndian32(const QByteArray& bytes, int offset) {
  std::uint32_t value = 0;
  for (int i = 3; i >= 0; --i) value = (value << 8) | std::uint8_t(bytes[offset + i]);
  return value;
}

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The process's file-size limit (ulimit -f) for the life of the object; writing beyond it fails
// with EFBIG instead of ending the process.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
    previousHandler_ = signal(SIGXFSZ, SIG_IGN);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, previousHandler_);
  }

 private:
  rlimit saved_{};
  sighandler_t previousHandler_;
};

// A recorder on a silent engine, naming files with a clock the test sets.
struct RecorderRig {
  explicit RecorderRig(const testing::TestDirectories& directories) : dirs(directories) {
    recorder.setClock([this] { return now; });
    recorder.setEngine(engine.get());
    QObject::connect(&status, &StatusLine::shown, [this](const QString& text) { messages << text; });
  }
  ~RecorderRig() { recorder.setEngine(nullptr); }

  void record(int first, int count) {
    for (int index = first; index < first + count; ++index) {
      const std::vector<std::int16_t> samples = syntheticBlock(index);
      recorder.receiveRecordBlock({samples.data(), kBlockFrames});
      recorder.periodicUpdate();
    }
  }
  QString recording(const QString& name) const { return dirs.path("home/Recordings/" + name); }

  const testing::TestDirectories& dirs;
  Settings settings;
  StatusLine status;
  SilentRenderer silence;
  std::unique_ptr<MixEngine> engine = MixEngine::create(&silence, &silence, kBlockFrames);
  QDateTime now{QDate(2014, 11, 19), QTime(21, 30, 5)};
  Recorder recorder{dirs.directories(), settings, status};
  QStringList messages;
};

TEST(RecorderTest, StoppedAtOnceIsAnEmptyWavAndALaterStartInTheSameSecondKeepsIt) {
  testing::TestDirectories dirs;
  RecorderRig rig(dirs);
  EventList events;
  rig.recorder.registerEvents(events);
  rig.recorder.registerEvents(events);
  ASSERT_EQ(events.size(), 1u);
  const EventBinding& event = events.records().front();
  EXPECT_EQ(event.zone, "Recorder");
  EXPECT_EQ(event.name, "Start/Stop Recording");
  EXPECT_EQ(event.type, 1);
  EXPECT_EQ(std::int32_t(event.method), -2147448316);  // as the mapping file writes it

  rig.recorder.invokeEvent(Recorder::kToggleMethod, 1);  // a key's release does nothing
  EXPECT_FALSE(rig.recorder.recording());
  rig.recorder.invokeEvent(Recorder::kToggleMethod, 0);
  EXPECT_TRUE(rig.recorder.recording());
  EXPECT_EQ(rig.recorder.recordButton().value(), 1);
  rig.recorder.recordButton().setValue(0);
  EXPECT_FALSE(rig.recorder.recording());
  rig.recorder.waitUntilWritten();

  const QString first = rig.recording("mix-20141119-213005.wav");
  const char empty[] = "RIFF\x24\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0data\0\0\0\0";
  EXPECT_EQ(fileBytes(first), QByteArray(empty, 44));
  ASSERT_TRUE(testing::waitFor([&] { return !rig.messages.isEmpty(); }));
  EXPECT_EQ(rig.messages, QStringList{"Recorded " + first + " (00:00:00)."});

  // Started again within the same second: the first file stays as it was.
  rig.settings.setValue(kRecordingPrefixSettingId, "b2b");
  rig.recorder.start();
  rig.recorder.stop();
  rig.settings.setValue(kRecordingPrefixSettingId, "mix");
  rig.recorder.start();
  rig.record(0, 1);
  rig.recorder.stop();
  rig.recorder.waitUntilWritten();
  EXPECT_EQ(fileBytes(first), QByteArray(empty, 44));
  EXPECT_EQ(fileBytes(rig.recording("b2b-20141119-213005.wav")), QByteArray(empty, 44));
  const QByteArray second = fileBytes(rig.recording("mix-20141119-213005-2.wav"));
  EXPECT_EQ(second.mid(44), littleEndianBlocks(0, 1));
  EXPECT_EQ(littleEndian32(second, 40), kBlockBytes);
}

TEST(RecorderTest, SplitsAtTheFileSystemMaximumOnABlockBoundaryNamedForTheSplit) {
  testing::TestDirectories dirs;
  RecorderRig rig(dirs);
  rig.settings.setValue(kRecordingLimitSettingId, int(RecordingLimit::kFileSystemMaximum));
  const FileSizeLimit limit(WavFileHeader::kBytes + 3 * kBlockBytes);  // three blocks fill a file exactly
  rig.recorder.start();
  rig.record(0, 3);
  rig.now = rig.now.addSecs(3 * 3600 + 61);
  rig.record(3, 2);
  rig.recorder.stop();
  rig.recorder.waitUntilWritten();

  const QByteArray first = fileBytes(rig.recording("mix-20141119-213005.wav"));
  EXPECT_EQ(first.size(), 44 + 3 * 4096);
  EXPECT_EQ(littleEndian32(first, 4), 3 * 4096 + 36);
  EXPECT_EQ(littleEndian32(first, 40), 3 * 4096);
  EXPECT_EQ(first.mid(44), littleEndianBlocks(0, 3));
  const QByteArray second = fileBytes(rig.recording("mix-20141120-003106.wav"));
  EXPECT_EQ(littleEndian32(second, 40), 2 * 4096);
  EXPECT_EQ(second.mid(44), littleEndianBlocks(3, 2));
  ASSERT_TRUE(testing::waitFor([&] { return rig.messages.size() == 2; }));
  EXPECT_EQ(rig.messages, (QStringList{"Recorded " + rig.recording("mix-20141119-213005.wav") + " (00:00:00).",
                                       "Recorded " + rig.recording("mix-20141120-003106.wav") + " (00:00:00)."}));
}

TEST(RecorderTest, SizeLimitsAndHeaderSizesAtTheirEdges) {
  struct Case {
    int mode;
    std::uint64_t largestData;
    std::int64_t fileSystemMaximum;
  };
  const Case cases[] = {
      {RecordingLimit::k650MiB, 681574363, 0},
      {RecordingLimit::k1GiB, 1073741787, 0},
      {RecordingLimit::kFileSystemMaximum, 1000000007 - 44, 1000000007},
      {RecordingLimit::kFileSystemMaximum, 2147483611, INT64_MAX},
      {RecordingLimit::kFileSystemMaximum, 2147483647 - 44, 2147483647},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << ", largest " << c.largestData);
    EXPECT_FALSE(RecordingLimit::reached(c.mode, c.largestData - 4096, 4096, c.fileSystemMaximum));
    EXPECT_TRUE(RecordingLimit::reached(c.mode, c.largestData - 4095, 4096, c.fileSystemMaximum));
  }
  // Any other mode records into one file, however long.
  for (int mode : {3, -1, 255}) EXPECT_FALSE(RecordingLimit::reached(mode, 1ull << 40, 4096, 1000));
  // Past 32 bits the sizes say "unknown, read to the end" instead of wrapping to a small number.
  EXPECT_EQ(WavFileHeader::riffSize(0xFFFFFFFFull - 36), 0xFFFFFFFFu);
  EXPECT_EQ(WavFileHeader::dataSize(0xFFFFFFFFull - 36), 0xFFFFFFDBu);
  EXPECT_EQ(WavFileHeader::riffSize(0xFFFFFFFFull - 35), WavFileHeader::kUnknownSize);
  EXPECT_EQ(WavFileHeader::dataSize(0xFFFFFFFFull - 35), WavFileHeader::kUnknownSize);

  const testing::TestDirectories dirs;
  EXPECT_EQ(RecordingLimit::fileSystemMaximum(dirs.path("home/missing")), 2147483647);
  const FileSizeLimit limit(123457);
  EXPECT_EQ(RecordingLimit::fileSystemMaximum(dirs.path("home")), 123457);
}

TEST(RecorderTest, KilledRecordingPlaysUpToItsLastSecond) {
  testing::TestDirectories dirs;
  const QString path = dirs.path("home/Recordings/mix-20141119-213005.wav");
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    RecorderRig rig(dirs);
    rig.recorder.start();
    rig.record(0, 100);  // 409600 bytes: the header caught up at 180224 and 360448
    rig.recorder.waitUntilWritten();
    (void)!write(ready[1], "r", 1);
    for (;;) pause();
  }
  pollfd wait{ready[0], POLLIN, 0};
  const bool recorded = poll(&wait, 1, 60000) == 1;
  kill(child, SIGKILL);
  waitpid(child, nullptr, 0);
  close(ready[0]);
  close(ready[1]);
  ASSERT_TRUE(recorded);

  const QByteArray file = fileBytes(path);
  EXPECT_EQ(file.size(), 44 + 409600);
  EXPECT_EQ(littleEndian32(file, 4), 360448u + 36);
  EXPECT_EQ(littleEndian32(file, 40), 360448u);
  std::string error;
  const auto decoder = MediaDecoder::open(QFile::encodeName(path).toStdString(), &error);
  ASSERT_TRUE(decoder) << error;
  std::vector<std::int16_t> decoded(120000 * kChannels);
  std::size_t bytes = 0;
  while (const std::size_t got = decoder->pull(reinterpret_cast<char*>(decoded.data()) + bytes,
                                               decoded.size() * 2 - bytes)) {
    bytes += got;
  }
  ASSERT_EQ(bytes, 360448u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(decoded.data()), qsizetype(bytes)), littleEndianBlocks(0, 88));
}

TEST(RecorderTest, FullDiskStopsWithAMessageAndAFileOfTheWholeFramesWritten) {
  testing::TestDirectories dirs;
  RecorderRig rig(dirs);
  {
    // Room for two blocks and a frame and a half.
    const FileSizeLimit limit(WavFileHeader::kBytes + 2 * kBlockBytes + 6);
    rig.recorder.start();
    rig.record(0, 4);
    rig.recorder.waitUntilWritten();
    ASSERT_TRUE(testing::waitFor([&] { return !rig.recorder.recording(); }));
  }
  const QString path = rig.recording("mix-20141119-213005.wav");
  EXPECT_EQ(rig.recorder.recordButton().value(), 0);
  EXPECT_EQ(rig.messages, QStringList{"Recording stopped: " + path +
                                      " could not be written (write: File too large). It keeps the first 00:00:00."});
  const QByteArray file = fileBytes(path);
  EXPECT_EQ(file.size(), 44 + 8196);
  EXPECT_EQ(littleEndian32(file, 4), 8196u + 36);
  EXPECT_EQ(littleEndian32(file, 40), 8196u);
  EXPECT_EQ(file.mid(44), littleEndianBlocks(0, 2, 4));
  // The next recording starts afresh.
  rig.now = rig.now.addSecs(1);
  rig.recorder.start();
  EXPECT_TRUE(rig.recorder.recording());
}

}  // namespace
}  // namespace gm

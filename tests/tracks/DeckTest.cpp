#include "tracks/Deck.h"

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QMimeData>
#include <QProcess>
#include <QTemporaryDir>

#include "audio/BeatGrid.h"
#include "support/TestSupport.h"
#include "tracks/ui/TrackDrop.h"

namespace gm {
namespace {

using testing::makeTrack;
using testing::waitFor;

// Loads a file into a deck and waits until the load has ended (finished or failed).
bool loadAndWait(Deck& deck, const QString& path) {
  if (!deck.loadEntry(TrackEntry::fromPath(path))) return false;
  return waitFor([&deck] { return !deck.busy(); });
}

// Renders `blocks` blocks of 512 frames and returns the last one.
std::vector<std::int16_t> render(Deck& deck, int blocks = 1) {
  std::vector<std::int16_t> block(512 * 2);
  for (int i = 0; i < blocks; ++i) deck.voice().renderBlock({block.data(), 512});
  return block;
}

// The MD5 of bytes as the system's md5sum tool computes it, in hexadecimal.
QString md5sumOf(const QByteArray& bytes, const QTemporaryDir& dir) {
  QFile file(dir.filePath("hashed.bin"));
  file.open(QIODevice::WriteOnly);
  file.write(bytes);
  file.close();
  QProcess md5;
  md5.start("md5sum", {file.fileName()});
  md5.waitForFinished();
  return QString::fromLatin1(md5.readAllStandardOutput()).section(' ', 0, 0).toUpper();
}

// The 16-bit samples of a WAV file's data chunk (the demo tool's files: canonical header).
std::vector<std::int16_t> wavSamples(const QString& path) {
  QFile file(path);
  file.open(QIODevice::ReadOnly);
  const QByteArray bytes = file.readAll();
  const qsizetype data = bytes.indexOf("data");
  std::vector<std::int16_t> samples(std::size_t(bytes.size() - data - 8) / 2);
  std::memcpy(samples.data(), bytes.constData() + data + 8, samples.size() * 2);
  return samples;
}

class DeckTest : public ::testing::Test {
 protected:
  void SetUp() override {
    deckA.link(&deckB);
    deckB.link(&deckA);
    deckA.prepare(512);
    deckB.prepare(512);
  }
  QString track(const QString& name, int bpm, QStringList length, QStringList flags = {}) {
    return makeTrack(dir.path(), name, bpm, length + flags);
  }

  QTemporaryDir dir;
  Deck deckA{0};
  Deck deckB{1};
};

TEST_F(DeckTest, LoadsAStereoTrackWithOverviewPeakAndKey) {
  const QString path = track("a.wav", 120, {"--seconds", "3"});
  std::vector<std::int32_t> percents;
  QObject::connect(&deckA, &Deck::loadProgress, [&percents](std::int32_t p) { percents.push_back(p); });
  ASSERT_TRUE(loadAndWait(deckA, path));
  auto sample = deckA.sample();
  ASSERT_TRUE(sample);
  EXPECT_EQ(deckA.title(), "a.wav");
  EXPECT_EQ(sample->frames, 3 * 44100);
  EXPECT_EQ(sample->byteSize, 3 * 44100 * 4);
  EXPECT_EQ(sample->seconds, 3);
  EXPECT_EQ(sample->blockCount, 3 * 44100 / 220);
  EXPECT_EQ(sample->overviewCount.load(), sample->blockCount);
  ASSERT_FALSE(percents.empty());
  EXPECT_EQ(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));

  // The decoded memory is the file's samples; extremes, peak and overview follow from them.
  const std::vector<std::int16_t> samples = wavSamples(path);
  ASSERT_EQ(samples.size(), sample->pcm.size());
  EXPECT_TRUE(std::equal(samples.begin(), samples.end(), sample->pcm.begin()));
  std::int32_t peak = 0;
  std::int16_t blockMax = 0, blockMin = 0;
  for (std::size_t f = 0; f < 220; ++f) {
    blockMax = std::max(blockMax, samples[2 * f]);
    blockMin = std::min(blockMin, samples[2 * f]);
  }
  for (std::size_t f = 0; f < samples.size() / 2; ++f) peak = std::max(peak, std::abs(std::int32_t(samples[2 * f])));
  EXPECT_EQ(sample->peak, peak);
  EXPECT_EQ(sample->overview[0], (std::uint32_t(std::uint16_t(blockMax)) << 16) | std::uint16_t(blockMin));
  EXPECT_EQ(*std::max_element(samples.begin(), samples.end()), sample->maxSample);

  // The key: MD5 of the first 512 KiB with each sample big-endian, computed here by md5sum.
  QByteArray bigEndian;
  for (std::size_t i = 0; i < 524288 / 2; ++i) {
    bigEndian.append(char(std::uint16_t(samples[i]) >> 8));
    bigEndian.append(char(std::uint16_t(samples[i]) & 0xFF));
  }
  const QString md5 = md5sumOf(bigEndian, dir);
  const QString expectedKey = md5.mid(4, 4) + md5.mid(12, 4) + md5.mid(20, 4) + md5.mid(28, 4);
  EXPECT_EQ(QString::fromStdString(sample->key), expectedKey);
  EXPECT_EQ(sample->scriptPath, "Keyledger/" + expectedKey.toStdString() + ".rx");
}

TEST_F(DeckTest, MonoPlaysAsStereoAndTinyTracksHaveNoBlocks) {
  const QString mono = track("mono.wav", 126, {"--seconds", "1", "--mono"});
  ASSERT_TRUE(loadAndWait(deckA, mono));
  auto sample = deckA.sample();
  const std::vector<std::int16_t> source = wavSamples(mono);
  ASSERT_EQ(sample->frames, std::int32_t(source.size()));
  for (std::size_t f = 0; f < source.size(); ++f) {
    ASSERT_EQ(sample->pcm[2 * f], source[f]);
    ASSERT_EQ(sample->pcm[2 * f + 1], source[f]);
  }
  ASSERT_TRUE(deckA.play());
  const std::vector<std::int16_t> out = render(deckA, 10);
  for (std::size_t f = 0; f < 512; ++f) ASSERT_EQ(out[2 * f], out[2 * f + 1]);
  EXPECT_NE(std::count(out.begin(), out.end(), 0), std::ptrdiff_t(out.size()));

  // Shorter than a block and than the hashed span: no overview, key over the whole memory.
  const QString tiny = track("tiny.wav", 120, {"--frames", "100"});
  ASSERT_TRUE(loadAndWait(deckB, tiny));
  auto small = deckB.sample();
  EXPECT_EQ(small->frames, 100);
  EXPECT_EQ(small->blockCount, 0);
  EXPECT_EQ(small->overviewCount.load(), 0);
  EXPECT_EQ(small->digest, TrackKey::digest(small->pcm.data(), 400));
  EXPECT_NE(small->digest, TrackKey::digest(small->pcm.data(), 396));
}

TEST_F(DeckTest, RefusesLoadsWhilePlayingOrBusyAndRecoversFromBadFiles) {
  const QString good = track("good.wav", 120, {"--seconds", "2"});
  ASSERT_TRUE(deckA.loadEntry(TrackEntry::fromPath(good)));
  EXPECT_TRUE(deckA.busy());
  EXPECT_FALSE(deckA.loadEntry(TrackEntry::fromPath(good)));  // busy
  ASSERT_TRUE(waitFor([this] { return !deckA.busy(); }));
  ASSERT_TRUE(deckA.play());
  EXPECT_FALSE(deckA.loadEntry(TrackEntry::fromPath(good)));  // playing
  deckA.pause();

  QFile text(dir.filePath("notes.mp3"));
  text.open(QIODevice::WriteOnly);
  text.write("this is not audio\n");
  text.close();
  QString failure;
  QObject::connect(&deckA, &Deck::loadFailed, [&failure](const QString& m) { failure = m; });
  ASSERT_TRUE(loadAndWait(deckA, text.fileName()));
  EXPECT_TRUE(deckA.title().startsWith("Couldn't load notes.mp3")) << deckA.title().toStdString();
  EXPECT_EQ(failure, deckA.title());
  EXPECT_FALSE(deckA.hasTrack());
  EXPECT_FALSE(deckA.play());
  ASSERT_TRUE(loadAndWait(deckA, good));  // ready for the next load
  EXPECT_TRUE(deckA.hasTrack());

  // A file cut short mid-way loads what it holds, and says that this is not the whole track.
  QFile whole(good);
  whole.open(QIODevice::ReadOnly);
  QFile cut(dir.filePath("cut.wav"));
  cut.open(QIODevice::WriteOnly);
  cut.write(whole.read(whole.size() / 2));
  cut.close();
  QString partly;
  QObject::connect(&deckB, &Deck::loadedPartly, [&partly](const QString& m) { partly = m; });
  ASSERT_TRUE(loadAndWait(deckB, cut.fileName()));
  ASSERT_TRUE(deckB.hasTrack());
  EXPECT_EQ(deckB.frames(), (whole.size() / 2 - 44) / 4);
  EXPECT_EQ(deckB.title(), "cut.wav (Loaded 0:00 of 0:02: the file is damaged or was cut short)");
  EXPECT_EQ(partly, deckB.title());
}

TEST_F(DeckTest, OnlyRegularFilesLoadAndNamesNeedNotBeUtf8) {
  // Opening a FIFO for reading waits for a writer: the load must not hang on it. Should it hang, a
  // writer opened here releases the loader so that the failure is reported rather than a stuck run.
  const QByteArray fifo = QFile::encodeName(dir.filePath("fifo.wav"));
  ASSERT_EQ(mkfifo(fifo.constData(), 0600), 0);
  ASSERT_TRUE(deckA.loadEntry(TrackEntry::fromNativePath(fifo)));
  const bool ended = waitFor([this] { return !deckA.busy(); }, 5000);
  if (!ended) ::close(::open(fifo.constData(), O_WRONLY | O_NONBLOCK));
  ASSERT_TRUE(ended);
  EXPECT_EQ(deckA.title(), "Couldn't load fifo.wav: Not a file.");
  EXPECT_FALSE(deckA.hasTrack());

  // A name in an old 8-bit encoding, as the command line passes it (bytes) and in a dropped URL.
  const QByteArray latin1 = QFile::encodeName(dir.path()) + "/lat\xe9.wav";
  const QString made = track("plain.wav", 120, {"--frames", "3000"});
  ASSERT_EQ(std::rename(QFile::encodeName(made).constData(), latin1.constData()), 0);
  ASSERT_TRUE(deckA.loadEntry(TrackEntry::fromNativePath(latin1)));
  ASSERT_TRUE(waitFor([this] { return !deckA.busy(); }));
  EXPECT_EQ(deckA.frames(), 3000);
  EXPECT_EQ(deckA.title(), QString::fromUtf8("lat\uFFFD.wav"));
  QMimeData drop;
  drop.setData("text/uri-list", "file://" + latin1.toPercentEncoding("/") + "\r\n");
  ASSERT_TRUE(TrackDrop::load(deckB, &drop));
  ASSERT_TRUE(waitFor([this] { return !deckB.busy(); }));
  EXPECT_EQ(deckB.frames(), 3000);
}

TEST_F(DeckTest, PositionSeeksOnlyInsideTheTrackAndTheEndPauses) {
  ASSERT_TRUE(loadAndWait(deckA, track("end.wav", 120, {"--frames", "3000"})));
  deckA.setPosition(2000);
  EXPECT_EQ(deckA.positionFrames(), 2000);
  deckA.setPosition(-1);
  deckA.setPosition(3001);
  EXPECT_EQ(deckA.voiceSnapshot().position, 2000);
  deckA.setPosition(3000);
  EXPECT_EQ(deckA.voiceSnapshot().position, 3000);
  deckA.rewind();
  ASSERT_TRUE(deckA.play());
  render(deckA, 7);  // 3584 frames: past the end
  EXPECT_EQ(deckA.voiceSnapshot().position, 3000);
  deckA.periodicUpdate();
  EXPECT_FALSE(deckA.playing());
  EXPECT_EQ(deckA.positionFrames(), 3000);

  // A seek after the end was rendered but before the tick saw it: the stale end does not pause.
  ASSERT_TRUE(deckA.play());
  render(deckA, 2);
  deckA.setPosition(1000);
  deckA.periodicUpdate();
  EXPECT_TRUE(deckA.playing());
  EXPECT_EQ(deckA.positionFrames(), 1000);
}

TEST_F(DeckTest, ADeckStartedWhileItsTrackLoadsKeepsPlayingFromWhereItIs) {
  const QString path = track("long.wav", 120, {"--seconds", "40"});
  std::int32_t playedTo = -1;
  QObject::connect(&deckA, &Deck::loadProgress, &deckA, [&](std::int32_t) {
    if (playedTo >= 0 || !deckA.play()) return;
    render(deckA, 5);
    playedTo = deckA.voiceSnapshot().position;
  });
  ASSERT_TRUE(loadAndWait(deckA, path));
  ASSERT_GT(playedTo, 0) << "the deck played during the load";
  EXPECT_TRUE(deckA.playing());
  EXPECT_EQ(deckA.voiceSnapshot().position, playedTo);
  EXPECT_EQ(deckA.frames(), 40 * 44100);
}

TEST_F(DeckTest, TempoPitchSyncAndBpmText) {
  ASSERT_TRUE(loadAndWait(deckA, track("a.wav", 120, {"--seconds", "2"})));
  ASSERT_TRUE(loadAndWait(deckB, track("b.wav", 126, {"--seconds", "2"})));
  deckA.setBpm(5999);  // outside 60..240 BPM: ignored
  EXPECT_EQ(deckA.bpm(), 0);
  EXPECT_EQ(deckA.bpmText(), "---");
  deckA.setBpm(12000);
  deckB.setBpm(12600);
  EXPECT_TRUE(deckA.sync());
  EXPECT_EQ(deckA.pitch(), 10500);
  EXPECT_EQ(deckA.currentBpm(), 12600);
  EXPECT_EQ(deckA.bpmText(), "126.00");
  // The sync light: on within 5 hundredths of the other deck's tempo, off one past it.
  EXPECT_TRUE(deckA.tempoMatchesLinked());
  deckB.setBpm(12605);
  EXPECT_TRUE(deckA.tempoMatchesLinked());
  EXPECT_TRUE(deckB.tempoMatchesLinked());
  deckB.setBpm(12606);
  EXPECT_FALSE(deckA.tempoMatchesLinked());
  EXPECT_FALSE(deckB.tempoMatchesLinked());
  // Both edges of the ±10 % window are outside it: 132.00 and 108.00 against 120.00 give
  // exactly 1.1f and 0.9f.
  deckA.setPitch(10000);
  for (std::int32_t outside : {13200, 10800, 13300}) {
    deckB.setBpm(outside);
    EXPECT_FALSE(deckA.sync()) << outside;
    EXPECT_EQ(deckA.pitch(), 10000);
  }
  deckB.setBpm(13199);
  EXPECT_TRUE(deckA.sync());
  EXPECT_EQ(deckA.pitch(), 10999);
  EXPECT_EQ(deckA.currentBpm(), 13198);  // truncated twice, and still in sync
  EXPECT_TRUE(deckA.tempoMatchesLinked());
  deckB.setBpm(10801);
  EXPECT_TRUE(deckA.sync());
  EXPECT_EQ(deckA.pitch(), 9000);
  deckA.setPitch(10000);

  // A detected tempo sets the tempo and the current tempo, not the voice's copy.
  deckA.setDetectedBpm(12800);
  EXPECT_EQ(deckA.bpm(), 12800);
  EXPECT_EQ(deckA.currentBpm(), 12800);
  EXPECT_EQ(deckA.voiceSnapshot().bpm, 12000);
}

TEST_F(DeckTest, JogStepsWhilePausedDependOnTheTimeBetweenDetents) {
  ASSERT_TRUE(loadAndWait(deckA, track("jog.wav", 120, {"--seconds", "2"})));
  auto now = std::chrono::steady_clock::time_point{} + std::chrono::hours(1);
  deckA.setClock([&now] { return now; });
  deckA.setPosition(10000);
  deckA.jog(1);  // the first detent: a second or more since the last one
  EXPECT_EQ(deckA.positionFrames(), 10050);
  now += std::chrono::milliseconds(20);
  deckA.jog(1);
  EXPECT_EQ(deckA.positionFrames(), 10650);
  now += std::chrono::milliseconds(20);
  deckA.jog(-2);
  EXPECT_EQ(deckA.positionFrames(), 9450);
  now += std::chrono::seconds(1);
  deckA.jog(-1);
  EXPECT_EQ(deckA.positionFrames(), 9400);
  now += std::chrono::milliseconds(1);
  deckA.jog(-1);  // 12000 frames back would pass the start: not applied
  EXPECT_EQ(deckA.positionFrames(), 9400);
  deckA.setPosition(49);
  now += std::chrono::seconds(2);
  deckA.jog(-1);  // 50 back from 49: before the start
  EXPECT_EQ(deckA.positionFrames(), 49);
  deckA.setPosition(50);
  now += std::chrono::seconds(2);
  deckA.jog(-1);  // lands exactly on the start
  EXPECT_EQ(deckA.positionFrames(), 0);
  deckA.setPosition(9400);

  // While playing a detent bends the speed for 9 blocks.
  deckA.setBendStep(10);
  ASSERT_TRUE(deckA.play());
  deckA.jog(2);
  const std::int32_t before = deckA.voiceSnapshot().position;
  render(deckA);
  EXPECT_FLOAT_EQ(deckA.voiceSnapshot().speed, 1.02f);
  render(deckA, 8);
  EXPECT_FLOAT_EQ(deckA.voiceSnapshot().speed, 1.02f);
  render(deckA);
  EXPECT_FLOAT_EQ(deckA.voiceSnapshot().speed, 1.0f);
  EXPECT_GT(deckA.voiceSnapshot().position - before, 10 * 512);
}

TEST_F(DeckTest, BeatLoopStartsOnTheNextBeatAndNewLengthsWaitForTheWrap) {
  ASSERT_TRUE(loadAndWait(deckA, track("loop.wav", 120, {"--seconds", "10"})));
  deckA.setBpm(12000);
  deckA.setPosition(1000);
  deckA.cuePoint(0);
  EXPECT_EQ(deckA.cueBytes(), 4000);
  deckA.setPosition(5000);
  ASSERT_TRUE(deckA.play());
  deckA.loop(6, true);
  // |1000 − 5000| mod 22050 = 4000, so the next beat is 18050 frames away.
  EXPECT_EQ(deckA.loopStart(), 23050);
  EXPECT_EQ(deckA.loopEnd(), 23050 + 22050);
  EXPECT_EQ(loopLengthFrames(6, 12000), 22050);

  deckA.loop(7, true);  // double the length while the loop runs
  EXPECT_EQ(deckA.loopEnd(), 23050 + 44100);  // the navigator shows the pending end
  EXPECT_EQ(deckA.voiceSnapshot().loop_end, 23050 + 22050);
  std::int32_t last = deckA.voiceSnapshot().position;
  bool wrapped = false;
  for (int block = 0; block < 200 && !wrapped; ++block) {
    render(deckA);
    const std::int32_t now = deckA.voiceSnapshot().position;
    wrapped = now < last;
    last = now;
  }
  ASSERT_TRUE(wrapped);
  EXPECT_LT(last, 23050 + 22050);
  EXPECT_GE(last, 23050);
  EXPECT_EQ(deckA.voiceSnapshot().loop_end, 23050 + 44100);
  EXPECT_EQ(deckA.voiceSnapshot().pending_loop_end, 0);

  deckA.loop(0, false);
  EXPECT_EQ(deckA.loopStart(), 0);
  EXPECT_EQ(deckA.voiceSnapshot().loop_end, 0);
  deckA.setBpm(6000);
  deckA.loop(15, true);  // larger types are ignored
  EXPECT_EQ(deckA.voiceSnapshot().loop_start, 0);
}

TEST_F(DeckTest, CueJumpWaitsForThePlayingDecksNextBeat) {
  ASSERT_TRUE(loadAndWait(deckA, track("a.wav", 120, {"--seconds", "5"})));
  ASSERT_TRUE(loadAndWait(deckB, track("b.wav", 120, {"--seconds", "5"})));
  deckB.setBpm(12000);
  ASSERT_TRUE(deckB.play());
  render(deckB, 3);
  const std::int32_t gap = deckB.voiceSnapshot().beat_gap;
  EXPECT_EQ(gap, beatGap(0, deckB.voiceSnapshot().position, 12000));
  deckA.setPosition(30000);
  deckA.cuePoint(0);
  deckA.setPosition(50000);
  deckA.shiftCue(-8);
  EXPECT_EQ(deckA.cueBytes(), 120000 - 8);
  EXPECT_EQ(deckA.cueFrame(), 30000);  // a shift moves the jump target only
  deckA.cuePoint(1);
  EXPECT_EQ(deckA.voiceSnapshot().position, 29998);
  EXPECT_EQ(deckA.voiceSnapshot().silence_frames, gap);
  deckA.shiftCue(-1000000);
  EXPECT_EQ(deckA.cueBytes(), 0);

  deckB.pause();  // a paused deck has no beat to wait for
  deckA.cuePoint(1);
  EXPECT_EQ(deckA.voiceSnapshot().silence_frames, 0);

  // The linked deck's beat gap counts only up to its track's byte size (inclusive): a 5000-frame
  // track gives 20000. Its cue at 2562 makes the gap after one block from 0 exactly that.
  ASSERT_TRUE(loadAndWait(deckB, track("short.wav", 120, {"--frames", "5000"})));
  deckB.setBpm(12000);
  for (const auto& [cue, silence] : {std::pair{2562, 20000}, std::pair{2561, 0}}) {
    deckB.pause();
    deckB.setPosition(cue);
    deckB.cuePoint(0);
    deckB.setPosition(0);
    ASSERT_TRUE(deckB.play());
    render(deckB);
    deckA.cuePoint(1);
    EXPECT_EQ(deckA.voiceSnapshot().silence_frames, silence) << "beat gap " << deckB.voiceSnapshot().beat_gap;
  }
}

TEST_F(DeckTest, TheRenderRunsTheEqualiserWithItsKills) {
  ASSERT_TRUE(loadAndWait(deckA, track("eq.wav", 120, {"--seconds", "2"})));
  ASSERT_TRUE(deckA.play());
  const std::vector<std::int16_t> flat = render(deckA, 4);
  EXPECT_NE(std::count(flat.begin(), flat.end(), 0), std::ptrdiff_t(flat.size()));
  deckA.setKills(true, true, true);
  const std::vector<std::int16_t> killed = render(deckA, 2);
  EXPECT_EQ(std::count(killed.begin(), killed.end(), 0), std::ptrdiff_t(killed.size()));

  // Band knobs at the bottom pull every band to the lower limit: the block gets much quieter.
  deckA.setKills(false, false, false);
  deckA.setBandKnobs(0, 0, 0);
  deckA.resetEqualiser();
  render(deckA, 8);
  const std::vector<std::int16_t> cut = render(deckA);
  auto energy = [](const std::vector<std::int16_t>& v) {
    double sum = 0;
    for (std::int16_t x : v) sum += double(x) * x;
    return sum;
  };
  deckA.setBandKnobs(127, 127, 127);
  render(deckA, 8);
  EXPECT_LT(energy(cut) * 10, energy(render(deckA)));
}

}  // namespace
}  // namespace gm

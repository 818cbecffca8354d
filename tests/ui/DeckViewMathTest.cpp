// The arithmetic behind the deck views: overview words folded into display columns while a track
// loads, and the play position extrapolated between the deck's reports.

#include <chrono>
#include <memory>

#include <QtTest>

#include "tracks/SampleData.h"
#include "tracks/ui/OverviewColumns.h"
#include "tracks/ui/PlayheadClock.h"

using namespace gm;

namespace {

// Word i holds maximum i*100 and minimum -i*50, so every column's extremes name its last word.
// The load is still running: nothing sets loadEnded.
std::shared_ptr<SampleData> sampleWithWords(int words, int published) {
  auto sample = std::make_shared<SampleData>();
  sample->frames = words * SampleData::kBlockFrames;
  for (int i = 0; i < words; ++i) {
    const auto maximum = std::uint16_t(i * 100);
    const auto minimum = std::uint16_t(std::int16_t(-i * 50));
    sample->overview.push_back((std::uint32_t(maximum) << 16) | minimum);
  }
  sample->overviewCount.store(published);
  return sample;
}

using Clock = PlayheadClock::Clock;
const Clock::time_point t0 = Clock::time_point{} + std::chrono::hours(1);
Clock::time_point at(double seconds) {
  return t0 + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

}  // namespace

class DeckViewMathTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void columnsFillInAsWordsArrive();
  void aColumnStraddlingTheFilledEdgeIsFoldedAgain();
  void columnsNarrowerThanAWordRepeatIt();
  void completeMeansTheLoadEndedWhateverLengthWasReserved();
  void noTrackHasNoColumns();
  void stoppedClockShowsTheReport();
  void runningClockExtrapolatesWithTheSpeed();
  void smallDisagreementsAreEasedLargeOnesTaken();
  void extrapolationWrapsAroundTheLoopAndStaysInTheTrack();
};

void DeckViewMathTest::columnsFillInAsWordsArrive() {
  auto sample = sampleWithWords(10, 4);
  OverviewColumns columns;
  columns.reset(sample, sample->frames, 2.0 * SampleData::kBlockFrames);  // two words per column
  QCOMPARE(columns.columnCount(), 5);
  QCOMPARE(columns.column(1).maximum, std::int16_t(300));
  QCOMPARE(columns.column(1).minimum, std::int16_t(-150));
  QCOMPARE(columns.column(2).maximum, std::int16_t(0));  // not decoded yet
  QCOMPARE(columns.filledFrames(), std::int64_t(4 * SampleData::kBlockFrames));
  QVERIFY(!columns.complete());
  QVERIFY(!columns.update());  // nothing new

  sample->overviewCount.store(5);
  QVERIFY(columns.update());
  QCOMPARE(columns.column(2).maximum, std::int16_t(400));
  QCOMPARE(columns.column(2).minimum, std::int16_t(-200));

  sample->overviewCount.store(10);
  QVERIFY(columns.update());
  QCOMPARE(columns.column(2).maximum, std::int16_t(500));
  QCOMPARE(columns.column(4).maximum, std::int16_t(900));
  QCOMPARE(columns.column(4).minimum, std::int16_t(-450));
  QCOMPARE(columns.filledFrames(), std::int64_t(sample->frames));
}

void DeckViewMathTest::completeMeansTheLoadEndedWhateverLengthWasReserved() {
  // Every reserved word has arrived, but the loader still runs: the track may yet be longer.
  auto sample = sampleWithWords(10, 10);
  OverviewColumns columns;
  columns.reset(sample, sample->frames, 2.0 * SampleData::kBlockFrames);
  QVERIFY(!columns.complete());
  sample->loadEnded.store(true);
  QVERIFY(columns.update());  // no new word, but the pending part goes
  QVERIFY(columns.complete());
  QVERIFY(!columns.update());

  // The load ended three words short of the memory reserved for it: complete all the same, with
  // the words it made folded in.
  auto shorter = sampleWithWords(10, 4);
  columns.reset(shorter, shorter->frames, 2.0 * SampleData::kBlockFrames);
  shorter->overviewCount.store(7);
  shorter->loadEnded.store(true);
  QVERIFY(columns.update());
  QVERIFY(columns.complete());
  QCOMPARE(columns.filledFrames(), std::int64_t(shorter->frames));
  QCOMPARE(columns.column(3).maximum, std::int16_t(600));
  QCOMPARE(columns.column(4).maximum, std::int16_t(0));
}

void DeckViewMathTest::aColumnStraddlingTheFilledEdgeIsFoldedAgain() {
  // One and a half words per column: column 1 spans frames 330..660, that is words 1 and 2.
  auto sample = sampleWithWords(6, 2);
  OverviewColumns columns;
  columns.reset(sample, sample->frames, 1.5 * SampleData::kBlockFrames);
  QCOMPARE(columns.columnCount(), 4);
  QCOMPARE(columns.column(1).maximum, std::int16_t(100));
  sample->overviewCount.store(3);
  QVERIFY(columns.update());
  QCOMPARE(columns.column(1).maximum, std::int16_t(200));
  QCOMPARE(columns.column(1).minimum, std::int16_t(-100));
}

void DeckViewMathTest::columnsNarrowerThanAWordRepeatIt() {
  auto sample = sampleWithWords(4, 4);
  OverviewColumns columns;
  columns.reset(sample, sample->frames, SampleData::kBlockFrames / 2.0);
  QCOMPARE(columns.columnCount(), 8);
  for (int c = 0; c < 8; ++c) QCOMPARE(columns.column(c).maximum, std::int16_t(c / 2 * 100));
}

void DeckViewMathTest::noTrackHasNoColumns() {
  OverviewColumns columns;
  columns.reset(nullptr, 0, 100.0);
  QCOMPARE(columns.columnCount(), 0);
  QVERIFY(!columns.update());
  QVERIFY(!columns.complete());
  // A track shorter than one block has no words at all and is complete once its load ended.
  auto tiny = sampleWithWords(0, 0);
  tiny->loadEnded.store(true);
  columns.reset(tiny, 100, 10.0);
  QVERIFY(columns.complete());
  QCOMPARE(columns.column(3).maximum, std::int16_t(0));
}

void DeckViewMathTest::stoppedClockShowsTheReport() {
  PlayheadClock clock;
  clock.setLength(1000000);
  clock.report(1234, t0);
  QCOMPARE(clock.positionAt(at(5.0)), 1234.0);
  clock.setRunning(true, 1234, t0);
  clock.setRunning(false, 5000, at(1.0));
  QCOMPARE(clock.positionAt(at(3.0)), 5000.0);
}

void DeckViewMathTest::runningClockExtrapolatesWithTheSpeed() {
  PlayheadClock clock;
  clock.setLength(10000000);
  clock.setRunning(true, 0, t0);
  QCOMPARE(clock.positionAt(at(1.0)), 44100.0);
  clock.setSpeed(2.0, at(1.0));  // pitch 20000: from here on twice as fast
  QCOMPARE(clock.positionAt(at(2.0)), 44100.0 + 88200.0);
  clock.setSpeed(0.5, at(2.0));
  QCOMPARE(clock.positionAt(at(4.0)), 132300.0 + 44100.0);
}

void DeckViewMathTest::smallDisagreementsAreEasedLargeOnesTaken() {
  PlayheadClock clock;
  clock.setLength(10000000);
  clock.setRunning(true, 0, t0);
  clock.report(44100 + 100, at(1.0));  // a block ahead of the extrapolation
  QCOMPARE(clock.positionAt(at(1.0)), 44100.0 + 100.0 * PlayheadClock::kEasing);
  clock.report(400000, at(1.0));  // a seek
  QCOMPARE(clock.positionAt(at(1.0)), 400000.0);
  QCOMPARE(clock.positionAt(at(2.0)), 444100.0);
  clock.jumpTo(10, at(2.0));
  QCOMPARE(clock.positionAt(at(2.0)), 10.0);
}

void DeckViewMathTest::extrapolationWrapsAroundTheLoopAndStaysInTheTrack() {
  PlayheadClock clock;
  clock.setLength(100000);
  clock.setLoop(10000, 54100);  // exactly one second long
  clock.report(20000, t0);
  clock.setRunning(true, 20000, t0);
  QCOMPARE(clock.positionAt(at(1.0)), 20000.0);
  QCOMPARE(clock.positionAt(at(2.5)), 20000.0 + 22050.0);
  clock.setLoop(0, 0);
  QCOMPARE(clock.positionAt(at(1.0)), 64100.0);
  QCOMPARE(clock.positionAt(at(10.0)), 100000.0);  // never past the end of the track
}

QTEST_GUILESS_MAIN(DeckViewMathTest)
#include "DeckViewMathTest.moc"

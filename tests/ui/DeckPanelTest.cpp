// A deck's window parts as the DJ uses them: tracks dropped on the panel, the transport and loop
// buttons, the pitch and tempo controls, the navigator's seek, the waveform's jog and beat grid, and
// where the parts sit in the main window.

#include <algorithm>
#include <optional>

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageBoxRequester.h"
#include "support/FakeAudioBackend.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"
#include "tracks/ui/DeckHeader.h"
#include "tracks/ui/DeckPalette.h"
#include "tracks/ui/DeckPanel.h"
#include "tracks/ui/TrackNavigator.h"
#include "tracks/ui/WaveformView.h"
#include "widgets/BpmSlider.h"

using namespace gm;

namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kWaveformWidth = 800;  // 8 s across 800 pixels: 441 frames per column

// Offers a file to a widget the way a file manager's drag does; true when the drop was taken.
bool dropFile(QWidget& target, const QString& path, bool* enterAccepted = nullptr) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(path)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &enter);
  if (enterAccepted) *enterAccepted = enter.isAccepted();
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&target, &drop);
  return drop.isAccepted();
}

int pixelsOfColour(const QImage& image, QRgb colour) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) count += (image.pixel(x, y) & 0xFFFFFF) == (colour & 0xFFFFFF);
  }
  return count;
}

// Pixels of clearly coloured music (whatever the hue): the colour waveform, the band curves or the
// one-colour waveform, but not the greys of the background, the grid, the texts and the toggles.
int colouredPixels(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      count += std::max({qRed(p), qGreen(p), qBlue(p)}) - std::min({qRed(p), qGreen(p), qBlue(p)}) > 60;
    }
  }
  return count;
}

void sendWheel(QWidget& target, int angleDelta) {
  const QPointF pos(target.width() / 2.0, target.height() / 2.0);
  QWheelEvent wheel(pos, target.mapToGlobal(pos), QPoint(), QPoint(0, angleDelta), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(&target, &wheel);
}

// Deck A's header, panel, waveform and navigator on their own, with deck B linked as in the program.
struct DeckRig {
  DeckRig() {
    deckA.link(&deckB);
    deckB.link(&deckA);
    deckA.prepare(512);
    auto* layout = new QVBoxLayout(&window);
    header = new DeckHeader(deckA, &window);
    waveform = new WaveformView(deckA, &window);
    waveform->setFixedSize(kWaveformWidth, 96);
    navigator = new TrackNavigator(deckA, &window);
    navigator->setFixedSize(400, 40);
    panel = new DeckPanel(deckA, controlsA, &window);
    for (QWidget* part : {static_cast<QWidget*>(header), static_cast<QWidget*>(waveform),
                          static_cast<QWidget*>(navigator), static_cast<QWidget*>(panel)}) {
      layout->addWidget(part);
    }
    window.show();
  }
  template <typename T = QPushButton>
  T* find(const QString& name) { return window.findChild<T*>(name); }
  QPushButton* button(const QString& name) {
    QPushButton* found = find(name);
    if (!found) qWarning("no button %s", qPrintable(name));
    return found;
  }
  // Renders one engine block, as the master output would while the deck plays.
  void renderBlock() {
    std::vector<std::int16_t> block(512 * 2);
    deckA.voice().renderBlock({block.data(), 512});
  }

  Deck deckA{0};
  Deck deckB{1};
  DeckControls controlsA{deckA, 1000, 40, 240};
  DeckControls controlsB{deckB, 1000, 40, 240};
  QWidget window;
  DeckHeader* header = nullptr;
  WaveformView* waveform = nullptr;
  TrackNavigator* navigator = nullptr;
  DeckPanel* panel = nullptr;
};

}  // namespace

class DeckPanelTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void init();
  void cleanup();

  void droppedTrackLoadsAndIsDrawn();
  void bandTogglesFollowTheAnalysisAndShowOneBandAtATime();
  void anMp3LoadEndsWithNothingPending();
  void nonAudioDropIsReportedAndTheNextLoadWorks();
  void dropsAreRefusedWhileTheDeckPlays();
  void playButtonFollowsTheDeck();
  void loopButtonsActOnlyWhilePlaying();
  void loopButtonsAndTempoTextFollowANewTrack();
  void navigatorSeeksWhereClickedAndDragged();
  void wheelOverTheWaveformJogs();
  void pitchControlsAndSyncMoveSliderDeckAndTexts();
  void bendButtonsBendOnlyWhileHeld();
  void cueButtonsSetNudgeAndJump();
  void beatGridFollowsTheTempoFromTheCue();
  void waveformAnimatesOnlyWhilePlayingAndShown();
  void mainWindowPlacesTheDeckParts();

 private:
  bool load(Deck& deck, QWidget& dropTarget, const QString& path);

  QTemporaryDir dir_;
  QString track120_;
  QString track126_;
  std::unique_ptr<DeckRig> rig_;
};

void DeckPanelTest::initTestCase() {
  QVERIFY(dir_.isValid());
  track120_ = testing::makeTrack(dir_.path(), "t.wav", 120, {"--seconds", "10"});
  track126_ = testing::makeTrack(dir_.path(), "b.wav", 126, {"--seconds", "4"});
  QVERIFY(!track120_.isEmpty());
  QVERIFY(!track126_.isEmpty());
}

void DeckPanelTest::init() { rig_ = std::make_unique<DeckRig>(); }

void DeckPanelTest::cleanup() { rig_.reset(); }

bool DeckPanelTest::load(Deck& deck, QWidget& dropTarget, const QString& path) {
  QSignalSpy loaded(&deck, &Deck::loaded);
  if (!dropFile(dropTarget, path)) return false;
  return testing::waitFor([&] { return loaded.count() == 1 && !deck.busy(); }, kLoadTimeoutMs);
}

void DeckPanelTest::droppedTrackLoadsAndIsDrawn() {
  DeckRig& rig = *rig_;
  QCOMPARE(rig.header->titleText(), QString("No track loaded"));
  QCOMPARE(pixelsOfColour(rig.waveform->grab().toImage(), deck_palette::kWaveform), 0);
  QCOMPARE(pixelsOfColour(rig.navigator->grab().toImage(), deck_palette::kWaveform), 0);

  QSignalSpy progress(&rig.deckA, &Deck::loadProgress);
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QVERIFY(progress.count() > 0);
  QCOMPARE(rig.header->titleText(), QString("t.wav"));
  QCOMPARE(rig.find<QLabel>("deckA.title")->text(), QString("t.wav"));
  QVERIFY(!rig.find<QProgressBar>("deckA.progress")->isVisible());
  QCOMPARE(rig.find<QLabel>("deckA.remaining")->text(), QString("-00:00:10"));
  // Analysed, the music ahead of the playhead is drawn in the colours of its spectrum, the whole track
  // in the navigator; without colours, in the one waveform colour.
  for (QWidget* view : {static_cast<QWidget*>(rig.waveform), static_cast<QWidget*>(rig.navigator)}) {
    const QImage image = view->grab().toImage();
    QVERIFY(colouredPixels(image) > 500);
    QCOMPARE(pixelsOfColour(image, deck_palette::kWaveform), 0);
  }
  rig.deckA.bandDisplay().setColourised(false);
  QVERIFY(pixelsOfColour(rig.waveform->grab().toImage(), deck_palette::kWaveform) > 500);
  QVERIFY(pixelsOfColour(rig.navigator->grab().toImage(), deck_palette::kWaveform) > 500);
}

void DeckPanelTest::bandTogglesFollowTheAnalysisAndShowOneBandAtATime() {
  DeckRig& rig = *rig_;
  QPushButton* hi = rig.button("deckA.band.hi");
  QPushButton* mid = rig.button("deckA.band.mid");
  QPushButton* low = rig.button("deckA.band.low");
  QVERIFY(hi && mid && low);
  QVERIFY(rig.waveform->isAncestorOf(hi));
  for (QPushButton* toggle : {hi, mid, low}) QVERIFY(!toggle->isEnabled());
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  for (QPushButton* toggle : {hi, mid, low}) QVERIFY(toggle->isEnabled() && !toggle->isChecked());
  const int coloured = colouredPixels(rig.waveform->grab().toImage());

  // One band's curve, in its colour, in both views; pressing the lit toggle returns to the waveform.
  QTest::mouseClick(low, Qt::LeftButton);
  QVERIFY(low->isChecked());
  QCOMPARE(rig.deckA.bandDisplay().shownBand(), std::optional<Band>(Band::Low));
  for (QWidget* view : {static_cast<QWidget*>(rig.waveform), static_cast<QWidget*>(rig.navigator)}) {
    const QImage image = view->grab().toImage();
    QVERIFY(pixelsOfColour(image, deck_palette::kBandLow) > 200);
    QCOMPARE(pixelsOfColour(image, deck_palette::kBandHigh), 0);
  }
  QTest::mouseClick(mid, Qt::LeftButton);
  QVERIFY(mid->isChecked() && !low->isChecked());
  QTest::mouseClick(mid, Qt::LeftButton);
  QVERIFY(!mid->isChecked());
  QCOMPARE(colouredPixels(rig.waveform->grab().toImage()), coloured);

  // Display codes move the toggles as the clicks do; a new load starts from the waveform with the
  // toggles unusable until its bands are ready.
  rig.deckA.bandDisplay().setCode(BandDisplay::kNextCode);
  QVERIFY(hi->isChecked());
  QVERIFY(dropFile(*rig.panel, track126_));
  QVERIFY(!hi->isChecked() && !hi->isEnabled() && !low->isEnabled());
  QVERIFY(testing::waitFor([&] { return !rig.deckA.busy(); }, kLoadTimeoutMs));
  QVERIFY(hi->isEnabled() && mid->isEnabled() && low->isEnabled());
}

// MP3 files state a length that is only an estimate (this one about 2,000 frames too long): the
// finished track is drawn as finished, with no hatched part and no "loading" mark left over.
void DeckPanelTest::anMp3LoadEndsWithNothingPending() {
  DeckRig& rig = *rig_;
  const QString mp3 = dir_.filePath("b.mp3");
  const QString ffmpeg = QStandardPaths::findExecutable("ffmpeg");
  QVERIFY(!ffmpeg.isEmpty());
  QCOMPARE(testing::runTool(ffmpeg, {"-nostdin", "-loglevel", "error", "-y", "-i", track126_, "-b:a", "192k", mp3}), 0);
  QVERIFY(load(rig.deckA, *rig.panel, mp3));
  QCOMPARE(rig.deckA.frames(), 4 * 44100);
  for (QWidget* view : {static_cast<QWidget*>(rig.navigator), static_cast<QWidget*>(rig.waveform)}) {
    const QImage image = view->grab().toImage();
    QCOMPARE(pixelsOfColour(image, deck_palette::kPending), 0);
    QCOMPARE(pixelsOfColour(image, deck_palette::kText), 0);
    QVERIFY(colouredPixels(image) > 500);
  }
}

void DeckPanelTest::nonAudioDropIsReportedAndTheNextLoadWorks() {
  DeckRig& rig = *rig_;
  QFile notes(dir_.filePath("notes.txt"));
  QVERIFY(notes.open(QIODevice::WriteOnly));
  notes.write("not a song\n");
  notes.close();
  QSignalSpy failed(&rig.deckA, &Deck::loadFailed);
  QVERIFY(dropFile(*rig.panel, notes.fileName()));
  QTRY_COMPARE_WITH_TIMEOUT(failed.count(), 1, kLoadTimeoutMs);
  QVERIFY(!rig.deckA.busy());
  QVERIFY(rig.header->titleText().startsWith("Couldn't load notes.txt"));
  QCOMPARE(pixelsOfColour(rig.waveform->grab().toImage(), deck_palette::kWaveform), 0);
  QVERIFY(load(rig.deckA, *rig.waveform, track120_));  // the waveform takes drops too
  QCOMPARE(rig.header->titleText(), QString("t.wav"));
}

void DeckPanelTest::dropsAreRefusedWhileTheDeckPlays() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.navigator, track120_));
  QVERIFY(rig.deckA.play());
  bool entered = true;
  QVERIFY(!dropFile(*rig.header, track126_, &entered));
  QVERIFY(!entered);
  QVERIFY(!rig.deckA.busy());
  QCOMPARE(rig.header->titleText(), QString("t.wav"));
}

void DeckPanelTest::playButtonFollowsTheDeck() {
  DeckRig& rig = *rig_;
  QPushButton* play = rig.button("deckA.play");
  QVERIFY(play && play->isCheckable());
  QTest::mouseClick(play, Qt::LeftButton);  // nothing loaded: the button pops back up
  QVERIFY(!rig.deckA.playing());
  QVERIFY(!play->isChecked());

  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QTest::mouseClick(play, Qt::LeftButton);
  QVERIFY(rig.deckA.playing());
  QVERIFY(play->isChecked());
  rig.deckA.pause();  // as at the end of the track or from the command port
  QVERIFY(!play->isChecked());
  QTest::mouseClick(play, Qt::LeftButton);
  QTest::mouseClick(play, Qt::LeftButton);
  QVERIFY(!rig.deckA.playing());
}

void DeckPanelTest::loopButtonsActOnlyWhilePlaying() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  rig.controlsA.bpmSlider().setValue(12000);
  QCOMPARE(rig.deckA.bpm(), 12000);
  QSignalSpy loops(&rig.deckA, &Deck::loopChanged);
  QPushButton* quarter = rig.button("deckA.loop.1/4");
  QTest::mouseClick(quarter, Qt::LeftButton);
  QVERIFY(!quarter->isChecked());
  QCOMPARE(loops.count(), 0);
  QCOMPARE(rig.deckA.loopStart(), rig.deckA.loopEnd());

  rig.deckA.setPosition(1000);
  QVERIFY(rig.deckA.play());
  QPushButton* oneBeat = rig.button("deckA.loop.1");
  QTest::mouseClick(oneBeat, Qt::LeftButton);
  QVERIFY(oneBeat->isChecked());
  QCOMPARE(rig.deckA.loopStart(), 22050);  // the next beat of the grid from the cue at 0
  QCOMPARE(rig.deckA.loopEnd() - rig.deckA.loopStart(), 22050);

  QTest::mouseClick(rig.button("deckA.loopHalve"), Qt::LeftButton);
  QVERIFY(!oneBeat->isChecked());
  QVERIFY(rig.button("deckA.loop.1/2")->isChecked());
  QCOMPARE(rig.deckA.loopEnd() - rig.deckA.loopStart(), 11025);
  QTest::mouseClick(rig.button("deckA.loopDouble"), Qt::LeftButton);
  QTest::mouseClick(rig.button("deckA.loopDouble"), Qt::LeftButton);
  QVERIFY(rig.button("deckA.loop.2")->isChecked());
  QCOMPARE(rig.deckA.loopEnd() - rig.deckA.loopStart(), 44100);

  QTest::mouseClick(rig.button("deckA.loopStop"), Qt::LeftButton);
  for (int i = 0; i < DeckControls::kLoopButtons; ++i) {
    QVERIFY(!rig.button(QString("deckA.loop.") + DeckControls::loopLabel(i))->isChecked());
  }
  QCOMPARE(rig.deckA.loopStart(), 0);
  QCOMPARE(rig.deckA.loopEnd(), 0);
}

void DeckPanelTest::loopButtonsAndTempoTextFollowANewTrack() {
  DeckRig& rig = *rig_;
  auto* tempo = rig.find<BpmSlider>("deckA.bpmSlider");
  QCOMPARE(tempo->valueText(), QString("---"));  // an empty deck has no tempo, whatever the slider's place
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QCOMPARE(tempo->valueText(), QString("---"));  // this rig detects no tempo
  QVERIFY(rig.deckA.play());
  QPushButton* oneBeat = rig.button("deckA.loop.1");
  QTest::mouseClick(oneBeat, Qt::LeftButton);  // no tempo, no loop: the button does not light
  QVERIFY(!oneBeat->isChecked());
  rig.controlsA.bpmSlider().setValue(12000);
  QCOMPARE(tempo->valueText(), QString("120.00 BPM"));
  QTest::mouseClick(oneBeat, Qt::LeftButton);
  QVERIFY(oneBeat->isChecked());

  rig.deckA.pause();
  QVERIFY(load(rig.deckA, *rig.panel, track126_));  // the new track has no loop and no tempo yet
  QCOMPARE(tempo->valueText(), QString("---"));
  QVERIFY(!oneBeat->isChecked());
  rig.controlsA.bpmSlider().setValue(12600);
  QVERIFY(rig.deckA.play());
  // Nothing is selected any more, so there is nothing to double or halve.
  QTest::mouseClick(rig.button("deckA.loopDouble"), Qt::LeftButton);
  QTest::mouseClick(rig.button("deckA.loopHalve"), Qt::LeftButton);
  for (int i = 0; i < DeckControls::kLoopButtons; ++i) {
    QVERIFY(!rig.button(QString("deckA.loop.") + DeckControls::loopLabel(i))->isChecked());
  }
  QCOMPARE(rig.deckA.loopStart(), rig.deckA.loopEnd());
}

void DeckPanelTest::navigatorSeeksWhereClickedAndDragged() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  TrackNavigator& navigator = *rig.navigator;
  const std::int64_t frames = rig.deckA.frames();
  const std::int64_t columnFrames = frames / navigator.width() + 1;
  QTest::mouseClick(&navigator, Qt::LeftButton, {}, QPoint(navigator.width() / 4, 10));
  QVERIFY(std::abs(rig.deckA.positionFrames() - frames / 4) <= columnFrames);

  const QPointF to(navigator.width() * 3 / 4, 10);
  QMouseEvent drag(QEvent::MouseMove, to, navigator.mapToGlobal(to), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&navigator, &drag);
  QVERIFY(std::abs(rig.deckA.positionFrames() - frames * 3 / 4) <= columnFrames);

  const QPointF past(navigator.width() + 50, 10);  // dragged beyond the edge: the last column
  QMouseEvent beyond(QEvent::MouseMove, past, navigator.mapToGlobal(past), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
  QApplication::sendEvent(&navigator, &beyond);
  QVERIFY(rig.deckA.positionFrames() <= frames);
  QVERIFY(frames - rig.deckA.positionFrames() <= columnFrames);
}

void DeckPanelTest::wheelOverTheWaveformJogs() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  rig.deckA.setPosition(10000);
  sendWheel(*rig.waveform, 60);  // half a detent: nothing yet
  QCOMPARE(rig.deckA.positionFrames(), 10000);
  sendWheel(*rig.waveform, 60);  // the detent completes: the first jog after a rest moves 50 frames
  QCOMPARE(rig.deckA.positionFrames(), 10050);
  QTest::qWait(1100);  // a rest again, so the next detent's step is the plain 50 frames
  sendWheel(*rig.waveform, -120);
  QCOMPARE(rig.deckA.positionFrames(), 10000);
  QCOMPARE(int(rig.waveform->displayedPositionFrames()), rig.deckA.positionFrames());
}

void DeckPanelTest::pitchControlsAndSyncMoveSliderDeckAndTexts() {
  DeckRig& rig = *rig_;
  auto* pitch = rig.find<QSlider>("deckA.pitch");
  QVERIFY(pitch);
  QCOMPARE(pitch->orientation(), Qt::Vertical);
  QTest::mouseClick(rig.button("deckA.pitchUp"), Qt::LeftButton);
  QCOMPARE(rig.deckA.pitch(), 10001);
  QCOMPARE(pitch->value(), 10001);
  QTest::mouseClick(rig.button("deckA.pitchDown"), Qt::LeftButton);
  QTest::mouseClick(rig.button("deckA.pitchDown"), Qt::LeftButton);
  QCOMPARE(rig.deckA.pitch(), 9999);
  QCOMPARE(rig.find<QLabel>("deckA.pitchText")->text(), QString("-0.01%"));
  rig.deckA.setPitch(10300);  // from the command port: the slider follows without echoing
  QCOMPARE(pitch->value(), 10300);
  rig.controlsA.setRanges(200, 40, 240);  // a narrower "Pitch" setting
  QCOMPARE(pitch->maximum(), 10200);
  QCOMPARE(pitch->value(), 10200);
  rig.controlsA.setRanges(1000, 40, 240);

  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QSignalSpy loadedB(&rig.deckB, &Deck::loaded);
  QVERIFY(rig.deckB.loadEntry(TrackEntry::fromPath(track126_)));
  QTRY_COMPARE_WITH_TIMEOUT(loadedB.count(), 1, kLoadTimeoutMs);
  rig.controlsA.bpmSlider().setValue(12000);
  rig.controlsB.bpmSlider().setValue(12600);
  QCOMPARE(rig.find<QLabel>("deckA.bpm")->text(), QString("120.00"));
  QTest::mouseClick(rig.button("deckA.sync"), Qt::LeftButton);
  QCOMPARE(rig.deckA.pitch(), 10500);
  QCOMPARE(pitch->value(), 10500);
  QCOMPARE(rig.find<QLabel>("deckA.bpm")->text(), QString("126.00"));
  QCOMPARE(rig.find<QLabel>("deckA.pitchText")->text(), QString("+5.00%"));
}

void DeckPanelTest::bendButtonsBendOnlyWhileHeld() {
  DeckRig& rig = *rig_;
  QPushButton* slower = rig.button("deckA.bendDown");
  QPushButton* faster = rig.button("deckA.bendUp");
  QCOMPARE(slower->toolTip(), QString("Slightly slow the track for an instant for fine beat matching. Keep the "
                                      "button pressed for longer effect."));
  QCOMPARE(faster->toolTip(), QString("Slightly fasten the track for an instant for fine beat matching. Keep the "
                                      "button pressed for longer effect."));
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QVERIFY(rig.deckA.play());
  const float step = rig.deckA.bendStep() / 10000.0f;
  QTest::mousePress(slower, Qt::LeftButton);
  rig.renderBlock();
  QCOMPARE(rig.deckA.voiceSnapshot().speed, 1.0f - step);
  QTest::mouseRelease(slower, Qt::LeftButton);
  rig.renderBlock();
  QCOMPARE(rig.deckA.voiceSnapshot().speed, 1.0f);
  QTest::mousePress(faster, Qt::LeftButton);
  rig.renderBlock();
  QCOMPARE(rig.deckA.voiceSnapshot().speed, 1.0f + step);
  QTest::mouseRelease(faster, Qt::LeftButton);
  rig.renderBlock();
  QCOMPARE(rig.deckA.voiceSnapshot().speed, 1.0f);
}

void DeckPanelTest::cueButtonsSetNudgeAndJump() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  rig.deckA.setPosition(10000);
  QTest::mouseClick(rig.button("deckA.setCue"), Qt::LeftButton);
  QCOMPARE(rig.deckA.cueBytes(), 40000);
  QTest::mouseClick(rig.button("deckA.cueForwardFine"), Qt::LeftButton);
  QCOMPARE(rig.deckA.cueBytes(), 40000 + DeckPanel::kCueFineBytes);
  QTest::mouseClick(rig.button("deckA.cueBack"), Qt::LeftButton);
  QCOMPARE(rig.deckA.cueBytes(), 40000 + DeckPanel::kCueFineBytes - DeckPanel::kCueCoarseBytes);
  QTest::mouseClick(rig.button("deckA.rewind"), Qt::LeftButton);
  QCOMPARE(rig.deckA.positionFrames(), 0);
  QTest::mouseClick(rig.button("deckA.cue"), Qt::LeftButton);
  QCOMPARE(rig.deckA.positionFrames(), (40000 + DeckPanel::kCueFineBytes - DeckPanel::kCueCoarseBytes) / 4);
  QCOMPARE(int(rig.waveform->displayedPositionFrames()), rig.deckA.positionFrames());
}

void DeckPanelTest::beatGridFollowsTheTempoFromTheCue() {
  DeckRig& rig = *rig_;
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  rig.deckA.setPosition(0);
  // With the cue at 0 and 441 frames per column, beat 4 (a main beat) at 88200 frames lies 200 columns
  // right of the playhead, beat 1 at 22050 frames 50 columns right.
  const int centre = kWaveformWidth / 2;
  const QRgb background = deck_palette::kBackground & 0xFFFFFF;
  QImage before = rig.waveform->grab().toImage();
  QCOMPARE(before.pixel(centre + 200, 2) & 0xFFFFFF, background);
  rig.controlsA.bpmSlider().setValue(12000);
  QImage grid = rig.waveform->grab().toImage();
  QVERIFY((grid.pixel(centre + 200, 2) & 0xFFFFFF) != background);
  QVERIFY(qGray(grid.pixel(centre + 200, 2)) > qGray(grid.pixel(centre + 50, 2)));  // main beats brighter
  QVERIFY((grid.pixel(centre + 50, 2) & 0xFFFFFF) != background);
  QCOMPARE(grid.pixel(centre + 125, 2) & 0xFFFFFF, background);  // between beats
  // Moving the cue by half a beat moves the grid with it.
  rig.deckA.setPosition(11025);
  rig.deckA.cuePoint(0);
  rig.deckA.setPosition(0);
  QImage moved = rig.waveform->grab().toImage();
  QVERIFY((moved.pixel(centre + 225, 2) & 0xFFFFFF) != background);
  QCOMPARE(moved.pixel(centre + 200, 2) & 0xFFFFFF, background);
}

void DeckPanelTest::waveformAnimatesOnlyWhilePlayingAndShown() {
  DeckRig& rig = *rig_;
  QVERIFY(!rig.waveform->animating());
  QVERIFY(load(rig.deckA, *rig.panel, track120_));
  QVERIFY(rig.deckA.play());
  QVERIFY(rig.waveform->animating());
  rig.waveform->hide();
  QVERIFY(!rig.waveform->animating());
  rig.waveform->show();
  QVERIFY(rig.waveform->animating());
  rig.deckA.pause();
  QVERIFY(!rig.waveform->animating());
}

void DeckPanelTest::mainWindowPlacesTheDeckParts() {
  rig_.reset();
  testing::TestDirectories dirs;
  testing::FakeAudioBackend backend;
  MessageBoxRequester requester;
  Application app(dirs.directories(), backend, requester);
  MainWindow window(app);
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  auto place = [&window](const char* name) {
    QWidget* part = window.findChild<QWidget*>(name);
    if (!part) qWarning("missing %s", name);
    return part ? QRect(part->mapTo(&window, QPoint(0, 0)), part->size()) : QRect();
  };
  const QRect waveA = place("deckA.waveform"), waveB = place("deckB.waveform");
  const QRect navA = place("deckA.navigator"), navB = place("deckB.navigator");
  const QRect panelA = place("deckA.panel"), panelB = place("deckB.panel");
  QVERIFY(waveA.bottom() < waveB.top());
  QCOMPARE(waveA.width(), waveB.width());
  QVERIFY(waveA.width() > window.width() * 9 / 10);  // full width
  QVERIFY(waveB.bottom() < navA.top());
  QCOMPARE(navA.top(), navB.top());
  QVERIFY(navA.right() < navB.left());
  QVERIFY(navA.bottom() < panelA.top());
  QVERIFY(panelA.right() < panelB.left());
  QCOMPARE(window.findChild<QLabel*>("deckB.title")->text(), QString("No track loaded"));
  for (const char* name : {"deckA.play", "deckB.play", "deckA.loop.1/32", "deckB.loop.64", "deckB.sync"}) {
    QVERIFY2(window.findChild<QPushButton*>(name), name);
  }
}

QTEST_MAIN(DeckPanelTest)
#include "DeckPanelTest.moc"

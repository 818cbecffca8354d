// The settings act at once where they belong: the equaliser bands on both decks, the bend strength
// and pitch range on the transport, the colours on the deck views; full screen and OpenGL rendering
// are read when the window is first shown.

#include <QSettings>
#include <QSignalSpy>
#include <QScreen>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"
#include "tracks/ui/TrackNavigator.h"
#include "tracks/ui/ViewSurface.h"
#include "tracks/ui/WaveformView.h"

using namespace gm;

namespace {

constexpr int kLoadTimeoutMs = 30000;

struct AppRig {
  testing::TestDirectories dirs;
  testing::FakeAudioBackend backend;
  testing::ScriptedRequester requester;
  std::unique_ptr<Application> app;

  // Writes values into the permanent settings copy, as an earlier session's "Save" would have.
  void storeSettings(std::initializer_list<std::pair<QString, QVariant>> values) {
    QSettings ini(dirs.directories().configDir() + "/settings.ini", QSettings::IniFormat);
    for (const auto& [id, value] : values) ini.setValue(id, value);
  }
  Application& start() {
    app = std::make_unique<Application>(dirs.directories(), backend, requester);
    return *app;
  }
};

void expectBand(const EqualiserBand& band, int frequencyHz, int resonance, int lowerDb, int upperDb) {
  QCOMPARE(band.frequencyHz, frequencyHz);
  QCOMPARE(band.resonance, resonance);
  QCOMPARE(band.lowerLimitDb, lowerDb);
  QCOMPARE(band.upperLimitDb, upperDb);
}

}  // namespace

class SettingsEffectsTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void equaliserSettingsReachBothDecksAtStartAndOnEachChange();
  void bendStrengthAndPitchRangeActOnTheTransportAtOnce();
  void windowOpensAsSavedAndDeckViewsRepaintInNewColours();
  void openGlViewsDrawWhatRasterViewsDraw();
};

void SettingsEffectsTest::equaliserSettingsReachBothDecksAtStartAndOnEachChange() {
  AppRig rig;
  rig.storeSettings({{"FRQH", 9100}, {"QFAL", 707}, {"LBMI", -7}});
  Application& app = rig.start();
  QSignalSpy applied(&app, &Application::equaliserApplied);
  QVERIFY(app.create());
  QCOMPARE(applied.count(), 1);  // once for the whole saved copy
  for (const int number : {Application::kDeckA, Application::kDeckB}) {
    const EqualiserSettings& s = app.deck(number).equaliserSettings();
    expectBand(s.high, 9100, 500, -18, 12);
    expectBand(s.mid, 800, 200, -7, 12);
    expectBand(s.low, 80, 707, -18, 12);
  }

  app.settings().setValue("UBMI", 11);
  app.settings().setValue("FRQM", 1234);
  QCOMPARE(applied.count(), 3);
  const auto shown = applied.last().at(0).value<EqualiserSettings>();
  expectBand(shown.mid, 1234, 200, -7, 11);
  for (const int number : {Application::kDeckA, Application::kDeckB}) {
    const EqualiserSettings& s = app.deck(number).equaliserSettings();
    expectBand(s.high, 9100, 500, -18, 12);
    expectBand(s.mid, 1234, 200, -7, 11);
    expectBand(s.low, 80, 707, -18, 12);
  }
  app.settings().setValue("PTXA", 20);  // not an equaliser setting
  QCOMPARE(applied.count(), 3);
}

void SettingsEffectsTest::bendStrengthAndPitchRangeActOnTheTransportAtOnce() {
  QTemporaryDir tracks;
  const QString path = testing::makeTrack(tracks.path(), "t.wav", 120, {"--seconds", "2"});
  QVERIFY(!path.isEmpty());
  AppRig rig;
  Application& app = rig.start();  // not started: the test renders the deck's blocks itself
  Deck& deck = app.deck(Application::kDeckB);
  deck.prepare(512);
  QSignalSpy loaded(&deck, &Deck::loaded);
  QVERIFY(deck.loadEntry(TrackEntry::fromPath(path)));
  QVERIFY(testing::waitFor([&] { return loaded.count() == 1 && !deck.busy(); }, kLoadTimeoutMs));
  QVERIFY(deck.play());
  auto speedWithBend = [&deck](void (Deck::*bend)(bool)) {
    std::vector<std::int16_t> block(512 * 2);
    (deck.*bend)(true);
    deck.voice().renderBlock({block.data(), 512});
    const float speed = deck.voiceSnapshot().speed;
    (deck.*bend)(false);
    return speed;
  };

  app.settings().setValue("PTXA", 73);
  QCOMPARE(speedWithBend(&Deck::bendUp), float(10000 + 73) / 10000.0f);
  QCOMPARE(speedWithBend(&Deck::bendDown), float(10000 - 73) / 10000.0f);

  // A narrower pitch range brings a faster deck to the range's end exactly, at once.
  app.deckControls(Application::kDeckB).pitchSlider().setValue(10600);
  QCOMPARE(deck.pitch(), 10600);
  app.settings().setValue("PTXR", 250);
  QCOMPARE(deck.pitch(), 10250);
  QCOMPARE(app.deckControls(Application::kDeckB).pitchSlider().value(), 10250);
  QCOMPARE(app.deck(Application::kDeckA).pitch(), 10000);  // inside the range: left alone
  app.settings().setValue("PTXR", 251);
  QCOMPARE(app.deckControls(Application::kDeckB).pitchSlider().maximum(), 10251);
  QCOMPARE(deck.pitch(), 10250);

  // The finder's limits take the next detected tempo into them: halved (truncated) when above, kept
  // when exactly at a limit.
  app.settings().setValue("BPMU", 150);
  deck.setDetectedBpm(17001);
  QCOMPARE(deck.bpm(), 8500);
  deck.setDetectedBpm(15000);
  QCOMPARE(deck.bpm(), 15000);
  app.settings().setValue("BPML", 120);
  deck.setDetectedBpm(6100);
  QCOMPARE(deck.bpm(), 12200);
}

void SettingsEffectsTest::windowOpensAsSavedAndDeckViewsRepaintInNewColours() {
  AppRig rig;
  rig.storeSettings({{"FULL", true}, {"COLF", "#not a colour"}});
  Application& app = rig.start();
  MainWindow window(app);
  QVERIFY(app.create());
  window.showAtStart();
  QTRY_VERIFY(window.isFullScreen());
  auto* waveform = window.findChild<WaveformView*>("deckA.waveform");
  auto* navigator = window.findChild<TrackNavigator*>("deckB.navigator");
  QVERIFY(waveform && navigator);
  // The offscreen platform has no OpenGL: the views draw through the raster engine instead.
  QVERIFY(!waveform->openGl() && !navigator->openGl());
  QCOMPARE(waveform->colours().waveform, DeckColours::defaults().waveform);  // the unreadable colour

  // The bottom left corner shows the background in both views.
  auto corner = [](QWidget* view) { return view->grab().toImage().pixel(1, view->height() - 2) & 0xFFFFFF; };
  QCOMPARE(corner(waveform), DeckColours::defaults().background & 0xFFFFFF);
  app.settings().setValue("COLB", "#1e2d3c");
  QCOMPARE(corner(waveform), QRgb(0x1e2d3c));
  QCOMPARE(corner(navigator), QRgb(0x1e2d3c));
  window.closeAll();
}

// Needs a display with OpenGL (ctest runs it under Xvfb, where Mesa's software driver serves);
// skipped elsewhere. What reaches the screen is compared, not a widget's grab(), which paints the
// OpenGL view through the raster engine and would hide every difference.
void SettingsEffectsTest::openGlViewsDrawWhatRasterViewsDraw() {
  if (!ViewSurface::openGlAvailable()) QSKIP("no OpenGL on this platform");
  QTemporaryDir tracks;
  const QString path = testing::makeTrack(tracks.path(), "t.wav", 120, {"--seconds", "12"});
  Deck deck(0);
  QSignalSpy loaded(&deck, &Deck::loaded);
  QVERIFY(deck.loadEntry(TrackEntry::fromPath(path)));
  QVERIFY(testing::waitFor([&] { return loaded.count() == 1 && !deck.busy(); }, kLoadTimeoutMs));
  deck.setBpm(12000);
  deck.setPosition(90000);
  deck.cuePoint(0);
  deck.setPosition(150000);  // cue flag, beat grid, playhead and both colours of music in sight
  QWidget window;
  auto* layout = new QVBoxLayout(&window);
  QWidget* raster[] = {new WaveformView(deck, &window), new TrackNavigator(deck, &window)};
  QWidget* opengl[] = {new WaveformView(deck, &window), new TrackNavigator(deck, &window)};
  for (QWidget* view : {raster[0], opengl[0]}) view->setFixedSize(800, 96);
  for (QWidget* view : {raster[1], opengl[1]}) view->setFixedSize(400, 40);
  for (QWidget* view : {raster[0], raster[1], opengl[0], opengl[1]}) layout->addWidget(view);
  QVERIFY(static_cast<WaveformView*>(opengl[0])->useOpenGl());
  QVERIFY(static_cast<TrackNavigator*>(opengl[1])->useOpenGl());
  window.show();
  QVERIFY(QTest::qWaitForWindowExposed(&window));
  QTest::qWait(200);  // the OpenGL surfaces' first frames
  const QImage screen = window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
  for (int i = 0; i < 2; ++i) {
    const QImage drawn = screen.copy(raster[i]->geometry());
    QVERIFY(drawn.pixel(drawn.width() - 1, drawn.height() / 2) != 0);  // not a blank grab
    QCOMPARE(screen.copy(opengl[i]->geometry()), drawn);
  }
}

QTEST_MAIN(SettingsEffectsTest)
#include "SettingsEffectsTest.moc"

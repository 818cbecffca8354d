// The mixer strip as a DJ uses it: every control in place under its name, faders and buttons that
// reach the engine and the decks, remote changes that move the controls, headphone controls that
// grey out with the headphones, the kill switches red when on, and the meter following the level.

#include <QImage>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QtTest>

#include "app/Application.h"
#include "app/MixerChannel.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MixerStrip.h"
#include "audio/DbTable.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "widgets/Knob.h"

using namespace gm;

namespace {

constexpr std::size_t kBlockFrames = 256;

// The application with its strip, shown as in the program's dark theme.
struct StripRig {
  StripRig() {
    if (!app.create()) qFatal("the application did not start");
    strip = new MixerStrip(app);
    strip->resize(360, 540);
    strip->show();
  }
  ~StripRig() { delete strip; }

  template <typename T>
  T* find(const QString& name) const {
    T* widget = strip->findChild<T*>(name);
    if (!widget) qWarning("missing %s", qPrintable(name));
    return widget;
  }

  testing::TestDirectories dirs;
  testing::FakeAudioBackend backend;
  testing::ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
  MixerStrip* strip = nullptr;
};

bool silent(const std::vector<std::int16_t>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; });
}

std::vector<std::int16_t> renderFromStart(Deck& deck) {
  deck.resetEqualiser();
  deck.setPosition(0);
  std::vector<std::int16_t> samples(kBlockFrames * 2 * 4);
  for (std::size_t block = 0; block < 4; ++block) {
    deck.voice().renderBlock({samples.data() + block * kBlockFrames * 2, kBlockFrames});
  }
  return samples;
}

// Share of a widget's pixels that are clearly red.
double redShare(QWidget& widget) {
  const QImage image = widget.grab().toImage();
  int red = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QColor c = image.pixelColor(x, y);
      red += c.red() > 180 && c.green() < 90 && c.blue() < 90;
    }
  }
  return double(red) / (image.width() * image.height());
}

}  // namespace

class MixerStripTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase() { MainWindow::applyDarkTheme(); }

  void everyControlIsThereUnderItsName() {
    StripRig rig;
    for (const char* deck : {"mixerA.", "mixerB."}) {
      for (const char* knob : {"gain", "hi", "mid", "low", "balance"}) {
        QVERIFY2(rig.find<Knob>(QString(deck) + knob), knob);
      }
      for (const char* button : {"hiKill", "midKill", "lowKill", "mute"}) {
        QVERIFY2(rig.find<QPushButton>(QString(deck) + button), button);
      }
      QVERIFY(rig.find<QSlider>(QString(deck) + "volume"));
    }
    QVERIFY(rig.find<QSlider>("crossFader"));
    QVERIFY(rig.find<QPushButton>("cueA"));
    QVERIFY(rig.find<QPushButton>("cueB"));
    QVERIFY(rig.find<Knob>("headphoneMasterLevel"));
    QVERIFY(rig.find<Knob>("headphoneCueLevel"));
    QVERIFY(rig.find<QProgressBar>("masterMeter"));
    // The knobs show the channel's models, deck by deck.
    QCOMPARE(&rig.find<Knob>("mixerB.gain")->model(), &rig.app.mixerChannel(Application::kDeckB).gain());
    QCOMPARE(&rig.find<Knob>("mixerA.low")->model(), &rig.app.mixerChannel(Application::kDeckA).band(MixerChannel::kLowBand));

    // Channel A on the left, the meter between, channel B on the right, the cross-fader below all.
    auto x = [&rig](const char* name) { return rig.find<QWidget>(name)->mapTo(rig.strip, QPoint(0, 0)).x(); };
    auto y = [&rig](const char* name) { return rig.find<QWidget>(name)->mapTo(rig.strip, QPoint(0, 0)).y(); };
    QVERIFY(x("mixerA.gain") < x("masterMeter") && x("masterMeter") < x("mixerB.gain"));
    QVERIFY(x("mixerA.hi") < x("mixerA.hiKill"));
    QVERIFY(y("mixerA.gain") < y("mixerA.hi") && y("mixerA.low") < y("mixerA.balance"));
    QVERIFY(y("mixerA.balance") < y("mixerA.volume") && y("mixerA.volume") < y("mixerA.mute"));
    QVERIFY(y("mixerA.mute") < y("crossFader"));
    QVERIFY(rig.find<QSlider>("mixerA.volume")->height() >= 150);
  }

  void knobsTakeTheMouseSensitivitySetting() {
    StripRig rig;
    QVERIFY(!rig.strip->knobs().empty());
    for (Knob* knob : rig.strip->knobs()) QCOMPARE(knob->sensitivityPixels(), 128);
    rig.app.settings().setValue(kKnobSensitivitySettingId, 200);
    for (Knob* knob : rig.strip->knobs()) QCOMPARE(knob->sensitivityPixels(), 200);
    QCOMPARE(int(rig.strip->knobs().size()), 12);
  }

  void faderMuteAndCrossFaderReachTheEngine() {
    StripRig rig;
    MixEngine& engine = *rig.app.engine();
    auto* fader = rig.find<QSlider>("mixerA.volume");
    QCOMPARE(fader->value(), 60);
    for (int i = 0; i < 6; ++i) fader->triggerAction(QAbstractSlider::SliderSingleStepSub);
    QCOMPARE(rig.app.volume(Application::kDeckA).value(), 54);
    QCOMPARE(engine.volumeA(), std::uint32_t(dBTable[54]));
    QCOMPARE(engine.volumeB(), 0x10000u);

    auto* mute = rig.find<QPushButton>("mixerB.mute");
    QTest::mouseClick(mute, Qt::LeftButton);
    QVERIFY(rig.app.mixerChannel(Application::kDeckB).muted());
    QCOMPARE(engine.volumeB(), 0u);
    QCOMPARE(rig.find<QSlider>("mixerB.volume")->value(), 60);  // the fader stays
    rig.app.mixerChannel(Application::kDeckB).setMute(MixerChannel::kFlip);  // a remote TOGGLE
    QVERIFY(!mute->isChecked());
    QCOMPARE(engine.volumeB(), 0x10000u);

    // A remote SETVOL moves the fader it drives.
    rig.app.mixerChannel(Application::kDeckA).setVolume(0);
    QCOMPARE(fader->value(), 0);
    QCOMPARE(engine.volumeA(), 0u);

    auto* crossFader = rig.find<QSlider>("crossFader");
    crossFader->setValue(60);
    QCOMPARE(engine.crossFader(), 65535);
  }

  void killTogglesReachTheDeckAndShowRedWhenOn() {
    StripRig rig;
    const QString track = testing::makeTrack(rig.dirs.path(""), "strip.wav", 126, {"--seconds", "2"});
    QVERIFY(!track.isEmpty());
    Deck& deck = rig.app.deck(Application::kDeckA);
    QVERIFY(deck.loadEntry(TrackEntry::fromPath(track)));
    QVERIFY(testing::waitFor([&deck] { return !deck.busy(); }));
    QVERIFY(deck.play());
    QVERIFY(!silent(renderFromStart(deck)));

    auto* hiKill = rig.find<QPushButton>("mixerA.hiKill");
    const double redOff = redShare(*hiKill);
    for (const char* name : {"mixerA.hiKill", "mixerA.midKill", "mixerA.lowKill"}) {
      QTest::mouseClick(rig.find<QPushButton>(name), Qt::LeftButton);
    }
    QCOMPARE(rig.app.mixerChannel(Application::kDeckA).kill(MixerChannel::kHighBand).value(), 1);
    QVERIFY(silent(renderFromStart(deck)));  // all three bands killed
    QVERIFY2(redShare(*hiKill) > 0.4 && redOff < 0.05, "a kill that is on is red, one that is off is not");
    QTest::mouseClick(rig.find<QPushButton>("mixerA.midKill"), Qt::LeftButton);
    QVERIFY(!silent(renderFromStart(deck)));
    // Deck B's kills are its own.
    QCOMPARE(rig.app.mixerChannel(Application::kDeckB).kill(MixerChannel::kHighBand).value(), 0);
    // A remote CUTGAIN shows on the toggle.
    rig.app.mixerChannel(Application::kDeckB).setKill(MixerChannel::kLowBand, MixerChannel::kKillOn);
    QVERIFY(rig.find<QPushButton>("mixerB.lowKill")->isChecked());
  }

  void headphoneControlsGreyOutWithTheHeadphones() {
    StripRig rig;
    const QStringList names = {"cueA", "cueB", "headphoneMasterLevel", "headphoneCueLevel"};
    for (const QString& name : names) QVERIFY2(rig.find<QWidget>(name)->isEnabled(), qPrintable(name));
    const QImage litKnob = rig.find<Knob>("headphoneCueLevel")->grab().toImage();
    // The face of a cue button beside its text: lit amber for the deck pre-listened to.
    auto face = [&rig](const char* name) {
      QPushButton* button = rig.find<QPushButton>(name);
      return button->grab().toImage().pixel(3, button->height() / 2);
    };
    rig.app.cueButton(Application::kDeckA).setValue(1);
    QVERIFY(face("cueA") != face("cueB"));
    rig.app.settings().setValue("AHIL", QString(kHeadphonesDisabled));
    rig.app.useSettings();  // the audio restarts without headphones
    QVERIFY(rig.app.engine()->headphonesOff());
    for (const QString& name : names) QVERIFY2(!rig.find<QWidget>(name)->isEnabled(), qPrintable(name));
    QCOMPARE(face("cueA"), face("cueB"));  // greyed out alike, whichever was lit
    QVERIFY(rig.find<Knob>("headphoneCueLevel")->grab().toImage() != litKnob);  // drawn greyed
    QVERIFY(rig.find<QWidget>("mixerA.gain")->isEnabled());
    QVERIFY(rig.find<QWidget>("crossFader")->isEnabled());
    rig.app.settings().setValue("AHIL", QString(kNullOutputName));
    rig.app.useSettings();
    for (const QString& name : names) QVERIFY2(rig.find<QWidget>(name)->isEnabled(), qPrintable(name));
  }

  void meterFollowsTheLevelAgainstTheLoudestBlock() {
    StripRig rig;
    auto* meter = rig.find<QProgressBar>("masterMeter");
    QCOMPARE(meter->value(), 0);
    Q_EMIT rig.app.levelChanged(250, 1000);
    QCOMPARE(meter->value(), 250);
    Q_EMIT rig.app.levelChanged(7, 0);
    QCOMPARE(meter->value(), 0);
  }

  void looksLikeAMixer() {
    StripRig rig;
    rig.app.mixerChannel(Application::kDeckA).setKill(MixerChannel::kMidBand, MixerChannel::kKillOn);
    rig.app.mixerChannel(Application::kDeckA).setKnob(MixerChannel::kHigh, 200);
    rig.app.mixerChannel(Application::kDeckB).setKnob(MixerChannel::kLow, 40);
    rig.app.mixerChannel(Application::kDeckB).setKnob(MixerChannel::kBalance, 180);
    rig.app.volume(Application::kDeckB).setValue(48);
    rig.app.cueButton(Application::kDeckA).setValue(1);
    rig.app.crossFader().setValue(-20);
    QVERIFY(QTest::qWaitForWindowExposed(rig.strip));
    Q_EMIT rig.app.levelChanged(700, 1000);  // after the wait: the tick reports silence meanwhile
    const QImage image = rig.strip->grab().toImage();
    QVERIFY(image.save("/tmp/mixerstrip.png"));
    // Dense: the whole strip fits between the deck panels under the waveforms of a 1400 × 860 window.
    QVERIFY(rig.strip->minimumSizeHint().width() <= 320);
    QVERIFY(rig.strip->minimumSizeHint().height() <= 500);
    // Dark: the strip's background, sampled at its centre line between the controls, is near black.
    QVERIFY(QColor(image.pixel(2, image.height() / 2)).lightness() < 80);
  }
};

QTEST_MAIN(MixerStripTest)
#include "MixerStripTest.moc"

// The main window as a DJ meets it. At the sizes DJs run it at, with two tracks loaded (laptop
// screens of 1280 × 720 and 1366 × 768, full HD, and the window's own minimum), every filter-rack
// control is shown whole and at its usable width without scrolling sideways, and no loop button
// cuts its text; the grabs are saved under /tmp for a look by eye. A click on a slider or knob
// leaves the keys to the shortcuts, and the settings window opens over the middle of the window.

#include <QAbstractButton>
#include <QAbstractSlider>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QStyleOptionButton>
#include <QTreeWidget>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SettingsWindow.h"
#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/ui/FilterRackView.h"
#include "plugins/ui/PanelBuilder.h"
#include "plugins/ui/PluginPage.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"
#include "widgets/Knob.h"

using namespace gm;

namespace {

constexpr int kLoadTimeoutMs = 30000;

struct WindowRig {
  WindowRig() {
    if (!pluginsInstalled || !app.create()) qFatal("the program did not start");
    window.show();
  }
  testing::TestDirectories dirs;
  const bool pluginsInstalled = testing::installBuiltPlugins(dirs.directories());
  testing::FakeAudioBackend backend;
  testing::ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
  MainWindow window{app};
};

QString describe(const QWidget& widget) {
  const auto* label = qobject_cast<const QLabel*>(&widget);
  const auto* button = qobject_cast<const QAbstractButton*>(&widget);
  const QString text = label ? label->text() : button ? button->text() : QString();
  return QString("%1 '%2' %3x%4").arg(widget.metaObject()->className(), text).arg(widget.width()).arg(widget.height());
}

// Every slider, label and button of the rack lies whole inside the rack's visible area, sliders at
// least their usable width and labels as wide as their text. Returns the number of sliders seen.
int checkRack(const FilterRackView& rack) {
  const QRect visible = rack.viewport()->rect();
  int sliders = 0;
  for (QWidget* control : rack.widget()->findChildren<QWidget*>()) {
    const bool slider = qobject_cast<QAbstractSlider*>(control) != nullptr;
    const bool label = qobject_cast<QLabel*>(control) != nullptr;
    if (!control->isVisibleTo(&rack) || !(slider || label || qobject_cast<QAbstractButton*>(control))) continue;
    sliders += slider;
    const QRect placed(control->mapTo(rack.viewport(), QPoint(0, 0)), control->size());
    const QString what = rack.objectName() + ": " + describe(*control);
    if (!visible.contains(placed)) QTest::qFail(qPrintable(what + " is cut by the rack's edge"), __FILE__, __LINE__);
    const int needed = slider  ? PanelBuilder::kMinimumSliderPixels
                       : label ? control->sizeHint().width()
                               : control->minimumSizeHint().width();
    if (control->width() < needed) QTest::qFail(qPrintable(what + " is narrower than it needs"), __FILE__, __LINE__);
  }
  return sliders;
}

// No loop button is narrower than its text: "1/16" cut to "1/1" reads as another length.
void checkLoopButtons(const MainWindow& window) {
  for (const char* deck : {"deckA.loop.", "deckB.loop."}) {
    for (int i = 0; i < DeckControls::kLoopButtons; ++i) {
      auto* button = window.findChild<QPushButton*>(deck + QString(DeckControls::loopLabel(i)));
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      if (button->fontMetrics().horizontalAdvance(button->text()) > contents.width()) {
        QTest::qFail(qPrintable(button->objectName() + " cuts its text: " + describe(*button)), __FILE__, __LINE__);
      }
    }
  }
}

}  // namespace

class MainWindowLayoutTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void everyControlIsWholeAtLaptopAndDesktopSizes();
  void slidersAndKnobsLeaveTheKeysAlone();
  void settingsOpenOverTheMiddleOfTheWindow();

 private:
  QTemporaryDir dir_;
  QStringList tracks_;
};

void MainWindowLayoutTest::initTestCase() {
  MainWindow::applyDarkTheme();
  QVERIFY(dir_.isValid());
  tracks_ << testing::makeTrack(dir_.path(), "Night Drive (Extended Mix).wav", 126, {"--seconds", "8"})
          << testing::makeTrack(dir_.path(), "Warehouse Tool.wav", 128, {"--seconds", "8"});
  QVERIFY(!tracks_[0].isEmpty() && !tracks_[1].isEmpty());
}

void MainWindowLayoutTest::everyControlIsWholeAtLaptopAndDesktopSizes() {
  WindowRig rig;
  rig.app.loadFiles(tracks_);
  Deck& deckA = rig.app.deck(Application::kDeckA);
  Deck& deckB = rig.app.deck(Application::kDeckB);
  QVERIFY(testing::waitFor([&] { return deckA.hasTrack() && deckB.hasTrack() && !deckA.busy() && !deckB.busy(); },
                           kLoadTimeoutMs));
  // Lit toggles, as in a mix: deck A's first filter, its cue in the headphones, a four-beat loop.
  rig.app.filterRack(Application::kDeckA).slots().front()->on().setValue(1);
  rig.app.cueButton(Application::kDeckA).setValue(1);
  QVERIFY(deckA.play());
  rig.app.deckControls(Application::kDeckA).loopButton(4).setValue(1);
  // A playlist with a loaded, greyed track and a rated one.
  Playlist& playlist = rig.app.media().playlist();
  rig.app.media().addTracks({QFile::encodeName(tracks_[0]), QFile::encodeName(tracks_[1]), QFile::encodeName(tracks_[1])});
  QVERIFY(testing::waitFor([&] { return playlist.size() == 3; }, kLoadTimeoutMs));
  playlist.setActiveRow(2);
  QVERIFY(playlist.setRating(4));
  const QList<FilterRackView*> racks = rig.window.findChildren<FilterRackView*>();
  QCOMPARE(racks.size(), 2);
  for (const QSize size : {QSize(1280, 720), QSize(1366, 768), QSize(1920, 1080), QSize(0, 0)}) {
    rig.window.resize(size);  // 0 x 0: the window's minimum
    QCoreApplication::processEvents();
    if (!size.isEmpty()) QCOMPARE(rig.window.size(), size);
    const QString name = size.isEmpty() ? QString("minimum") : QString("%1x%2").arg(size.width()).arg(size.height());
    QVERIFY(rig.window.grab().save("/tmp/gm-window-" + name + ".png"));
    for (const FilterRackView* rack : racks) {
      QCOMPARE(checkRack(*rack), 6);  // frequency and resonance, delay and LFO, frequency and resonance
      if (QTest::currentTestFailed()) QFAIL(qPrintable("at " + name));
    }
    checkLoopButtons(rig.window);
    if (QTest::currentTestFailed()) QFAIL(qPrintable("at " + name));
  }
}

void MainWindowLayoutTest::slidersAndKnobsLeaveTheKeysAlone() {
  WindowRig rig;
  rig.app.loadFiles(tracks_.mid(0, 1));
  Deck& deckA = rig.app.deck(Application::kDeckA);
  QVERIFY(testing::waitFor([&] { return deckA.hasTrack() && !deckA.busy(); }, kLoadTimeoutMs));
  // Nothing in the console takes the keyboard: every key is left for the shortcuts.
  QStringList keyTakers;
  for (QWidget* widget : rig.window.centralWidget()->findChildren<QWidget*>()) {
    // The playlist's filter box alone, once clicked: the DJ types there (Escape hands the keys back).
    if (widget->objectName() == "playlist.filter") continue;
    if (widget->isVisible() && widget->focusPolicy() != Qt::NoFocus) keyTakers << describe(*widget);
  }
  QVERIFY2(keyTakers.isEmpty(), qPrintable(keyTakers.join(", ")));
  rig.window.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&rig.window));
  // The deck's pitch fader last: it is the one a stray key would throw.
  QWidget* controls[] = {rig.window.findChild<QWidget*>("deckA.filters")->findChild<QAbstractSlider*>(),
                         rig.window.findChild<QWidget*>("deckA.bpmSlider"), rig.window.findChild<QWidget*>("mixerA.volume"),
                         rig.window.findChild<QWidget*>("crossFader"), rig.window.findChild<Knob*>("mixerA.gain"),
                         rig.window.findChild<QWidget*>("deckA.pitch")};
  for (QWidget* control : controls) {
    QVERIFY(control != nullptr);
    QTest::mouseClick(control, Qt::LeftButton, {}, QPoint(control->width() / 2, control->height() / 2));
    QVERIFY2(QApplication::focusWidget() != control, qPrintable(describe(*control)));
  }
  // Keys go where the focus is, as the platform sends them. The pitch was clicked on its handle at
  // the centre, so it stands where it stood; keys reaching it would throw it to an end.
  const std::int32_t pitch = deckA.pitch();
  QWidget* keyTarget = QApplication::focusWidget() != nullptr ? QApplication::focusWidget() : &rig.window;
  for (Qt::Key key : {Qt::Key_Home, Qt::Key_End, Qt::Key_Up, Qt::Key_PageDown}) QTest::keyClick(keyTarget, key);
  QCOMPARE(deckA.pitch(), pitch);
}

void MainWindowLayoutTest::settingsOpenOverTheMiddleOfTheWindow() {
  WindowRig rig;
  rig.window.setGeometry(QRect(QPoint(140, 90), QSize(1280, 720)));
  SettingsWindow& settings = rig.window.settingsWindow();
  settings.open();
  QVERIFY(QTest::qWaitForWindowExposed(&settings));
  const QPoint offset = settings.frameGeometry().center() - rig.window.frameGeometry().center();
  QVERIFY2(offset.manhattanLength() <= 2, qPrintable(QString("%1, %2").arg(offset.x()).arg(offset.y())));
  QVERIFY(settings.frameGeometry().width() < rig.window.frameGeometry().width());

  // The beat detector's preferences beside the list, with room to read and move every control.
  settings.findChild<QListWidget*>("pageList")->setCurrentRow(3);  // "Beat Detectors"
  auto* scroller = qobject_cast<QScrollArea*>(settings.findChild<QStackedWidget*>()->currentWidget());
  QVERIFY(scroller != nullptr);
  auto* page = qobject_cast<PluginPage*>(scroller->widget());
  QVERIFY(page != nullptr);
  page->listView().setCurrentItem(page->listView().topLevelItem(0));
  QCoreApplication::processEvents();
  QVERIFY(settings.grab().save("/tmp/gm-settings-beat-detectors.png"));
  const QList<QAbstractSlider*> sliders = page->shownPanel()->findChildren<QAbstractSlider*>();
  QCOMPARE(sliders.size(), 2);
  for (QAbstractSlider* slider : sliders) QVERIFY(slider->width() >= PanelBuilder::kMinimumSliderPixels);
  for (QLabel* label : page->shownPanel()->findChildren<QLabel*>()) {
    QVERIFY2(label->width() >= label->sizeHint().width() || label->wordWrap(), qPrintable(describe(*label)));
  }
}

QTEST_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"

// The settings window as the DJ uses it: every stored setting has its control on its page, edits
// take effect at once, "Cancel" and the close button bring back what was last used, and the window
// fits a small screen.

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QSettings>
#include <QSlider>
#include <QSplitter>
#include <QStackedWidget>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SettingsWindow.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"

using namespace gm;
using gm::testing::FakeAudioBackend;
using gm::testing::TestDirectories;

namespace {

struct Program {
  explicit Program(const TestDirectories& dirs) : app(dirs.directories(), backend, requester), window(app) {}
  SettingsWindow& settings() { return window.settingsWindow(); }
  template <typename T>
  T* find(const QString& name) { return settings().findChild<T*>(name); }

  FakeAudioBackend backend{{"Card A"}};
  testing::ScriptedRequester requester;
  Application app;
  MainWindow window;
};

}  // namespace

class SettingsWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void everySettingHasItsControlOnItsPage();
  void closingOrCancelBringsBackTheLastUsedValues();
  void theWindowFitsASmallScreen();
  void windowPlacesSurviveARestart();
};

void SettingsWindowTest::everySettingHasItsControlOnItsPage() {
  TestDirectories dirs;
  Program program(dirs);
  QVERIFY(program.app.create());
  auto* pageList = program.find<QListWidget>("pageList");
  QStringList titles;
  for (int row = 0; row < pageList->count(); ++row) titles << pageList->item(row)->text();
  QCOMPARE(titles, QStringList({"Audio Outputs", "Auto Gain", "Equalizer", "Beat Detectors", "Filters", "Default Paths",
                                "Recording", "User Interface", "Playlist Columns", "Cache", "BPM Finder", "Pitch"}));
  // A setting without a control could never be changed by the user.
  QStringList missing;
  for (const QString& id : program.app.settings().ids()) {
    if (program.find<QWidget>(id) == nullptr) missing << id;
  }
  QCOMPARE(missing, QStringList());
  // Sliders span their setting's whole range and show its unit.
  auto* pitchRange = program.find<QSlider>("PTXR");
  QCOMPARE(pitchRange->minimum(), 250);
  QCOMPARE(pitchRange->maximum(), 1000);
  QCOMPARE(program.find<QLabel>("FRQH.value")->text(), QString("8000 Hz"));
  QCOMPARE(program.find<QLabel>("LBMI.value")->text(), QString("-18 dB"));
  // The logarithmic frequency slider reaches both ends of the band exactly.
  auto* lowFrequency = program.find<QSlider>("FRQL");
  lowFrequency->setValue(lowFrequency->minimum());
  QCOMPARE(program.app.settings().integer("FRQL"), 40);
  lowFrequency->setValue(lowFrequency->maximum());
  QCOMPARE(program.app.settings().integer("FRQL"), 400);
  QCOMPARE(program.find<QLabel>("FRQL.value")->text(), QString("400 Hz"));
  QVERIFY(!program.find<QLineEdit>("VCHK")->toolTip().isEmpty());
  QCOMPARE(program.find<QCheckBox>("TYGL")->text(), QString("Use OpenGL rendering"));
  QVERIFY(program.settings().equaliserPage() != nullptr);
}

void SettingsWindowTest::closingOrCancelBringsBackTheLastUsedValues() {
  TestDirectories dirs;
  {
    Program program(dirs);
    QVERIFY(program.app.create());
    Settings& settings = program.app.settings();
    auto* upper = program.find<QSlider>("UBHI");
    program.settings().open();
    upper->setValue(14);
    QCOMPARE(settings.integer("UBHI"), 14);  // the readers see the change at once
    program.find<QPushButton>("save")->click();
    QVERIFY(!program.settings().isVisible());

    program.settings().open();
    upper->setValue(15);
    auto* colour = program.find<QLineEdit>("COLB");
    QTest::keyClick(colour, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(colour, "#12AB9C");
    QCOMPARE(settings.text("COLB"), QString("#12ab9c"));
    program.find<QPushButton>("use")->click();
    program.settings().open();
    upper->setValue(17);
    program.find<QPushButton>("cancel")->click();
    QCOMPARE(settings.integer("UBHI"), 15);
    QCOMPARE(upper->value(), 15);
    QCOMPARE(program.find<QLabel>("UBHI.value")->text(), QString("15 dB"));

    // The title bar's close button discards like "Cancel", for the text and colour fields too; a
    // text that is not yet a colour changes nothing.
    program.settings().open();
    upper->setValue(3);
    QTest::keyClick(colour, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(colour, "#0000f");
    QCOMPARE(settings.text("COLB"), QString("#12ab9c"));
    QTest::keyClicks(colour, "F");
    QCOMPARE(settings.text("COLB"), QString("#0000ff"));
    program.settings().close();
    QCOMPARE(settings.integer("UBHI"), 15);
    QCOMPARE(settings.text("COLB"), QString("#12ab9c"));
    QCOMPARE(colour->text(), QString("#12ab9c"));
  }
  // The next start brings back the saved copy, not the used one.
  Program restarted(dirs);
  QVERIFY(restarted.app.create());
  QCOMPARE(restarted.find<QSlider>("UBHI")->value(), 14);
}

void SettingsWindowTest::theWindowFitsASmallScreen() {
  TestDirectories dirs;
  Program program(dirs);
  QVERIFY(program.app.create());
  SettingsWindow& window = program.settings();
  // Room left on a 1280 x 720 screen by a desktop panel and the title bar.
  const QSize usable(1280, 720 - 60);
  QVERIFY2(window.size().width() <= usable.width() && window.size().height() <= usable.height(), "default size");
  QVERIFY2(window.minimumSizeHint().height() <= usable.height(), "minimum size");
  auto* pageList = program.find<QListWidget>("pageList");
  auto* stack = window.findChild<QStackedWidget*>();
  for (const QSize size : {window.size(), QSize(1280, 720), QSize(1920, 1080)}) {
    window.resize(size);
    window.show();
    for (int row = 0; row < pageList->count(); ++row) {
      pageList->setCurrentRow(row);
      QCoreApplication::processEvents();
      auto* scroller = qobject_cast<QScrollArea*>(stack->currentWidget());
      QVERIFY(scroller != nullptr);
      // The page keeps the width its controls need; height beyond the window scrolls.
      QVERIFY2(scroller->widget()->width() >= scroller->widget()->minimumSizeHint().width(), qPrintable(pageList->item(row)->text()));
      QVERIFY(window.grab().save(QString("/tmp/gm-settings-%1x%2-%3.png").arg(size.width()).arg(size.height()).arg(row)));
    }
  }
}

void SettingsWindowTest::windowPlacesSurviveARestart() {
  TestDirectories dirs;
  QRect mainPlace(31, 47, 1103, 719);
  const QPoint settingsPlace(57, 23);
  QList<int> division;
  {
    Program program(dirs);
    QVERIFY(program.app.create());
    program.window.show();
    program.window.setGeometry(mainPlace);
    mainPlace = program.window.geometry();  // no smaller than the window's minimum
    QCOMPARE(mainPlace.topLeft(), QPoint(31, 47));
    auto* splitter = program.window.findChild<QSplitter*>("decksOverPlaylist");
    splitter->setSizes({271, 113});
    QCoreApplication::processEvents();
    division = splitter->sizes();
    program.settings().open();
    program.settings().move(settingsPlace);
    program.settings().close();  // written when the window closes ...
    program.settings().open();
    QCOMPARE(program.settings().pos(), settingsPlace);  // ... and reopened where it was left
    program.window.closeAll();  // and written again when the program ends
  }
  {
    Program restarted(dirs);
    QVERIFY(restarted.app.create());
    restarted.window.show();
    QCoreApplication::processEvents();
    QCOMPARE(restarted.window.geometry(), mainPlace);
    QCOMPARE(restarted.window.findChild<QSplitter*>("decksOverPlaylist")->sizes(), division);
    restarted.settings().open();
    QCOMPARE(restarted.settings().pos(), settingsPlace);
    restarted.window.closeAll();
  }
  // A place on a screen that is gone is not applied: the window opens over the main window.
  QSettings places(dirs.directories().configDir() + "/windows.ini", QSettings::IniFormat);
  places.setValue("WSET/geometry", QRect(5000, 40, 500, 400));
  places.sync();
  Program unplugged(dirs);
  QVERIFY(unplugged.app.create());
  unplugged.window.show();
  unplugged.settings().open();
  QVERIFY(unplugged.settings().screen()->geometry().contains(unplugged.settings().geometry().center()));
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"

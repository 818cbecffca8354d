// The program's lifecycle as a user meets it in the window: quitting through the requester, the
// break signal, disabled headphones and the shared-device warning.

#include <csignal>

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QDial>
#include <QEventLoop>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSlider>
#include <QTimer>
#include <QtTest>

#include "app/Application.h"
#include "app/BreakSignal.h"
#include "app/ui/MainWindow.h"
#include "app/ui/MessageBoxRequester.h"
#include "app/ui/SettingsWindow.h"
#include "support/FakeAudioBackend.h"
#include "support/TestDirectories.h"

using namespace gm;
using gm::testing::FakeAudioBackend;
using gm::testing::TestDirectories;

namespace {

// Clicks the button labelled `label` in the next message box that opens, remembering its text.
class RequesterAnswerer {
 public:
  explicit RequesterAnswerer(QString label) : label_(std::move(label)) {
    QObject::connect(&poll_, &QTimer::timeout, [this] { tryAnswer(); });
    poll_.start(10);
  }
  QStringList seenTexts;
  QStringList seenTitles;
  QList<Qt::TextFormat> seenFormats;

 private:
  void tryAnswer() {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    seenTexts << box->text();
    seenTitles << box->windowTitle();
    seenFormats << box->textFormat();
    for (QAbstractButton* button : box->buttons()) {
      if (button->text() == label_) {
        button->click();
        return;
      }
    }
    box->reject();
  }
  QString label_;
  QTimer poll_;
};

void storeSettings(const TestDirectories& dirs, std::initializer_list<std::pair<QString, QVariant>> values) {
  QSettings ini(dirs.directories().configDir() + "/settings.ini", QSettings::IniFormat);
  for (const auto& [id, value] : values) ini.setValue(id, value);
}

// One running program: application, main window and requester wired as main() wires them.
struct Program {
  explicit Program(const TestDirectories& dirs, std::vector<std::string> devices = {})
      : backend(std::move(devices)), app(dirs.directories(), backend, requester), window(app) {
    requester.setParentWidget(&window);
    QObject::connect(&app, &Application::quitRequested, &window, &MainWindow::closeAll);
  }
  template <typename T>
  T* find(const char* name) { return window.findChild<T*>(name); }

  FakeAudioBackend backend;
  MessageBoxRequester requester;
  Application app;
  MainWindow window;
};

}  // namespace

class MainWindowLifecycleTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void cancelInTheQuitRequesterKeepsRunning();
  void okInTheQuitRequesterEndsTheLoop();
  void breakSignalEndsTheLoopWithoutAsking();
  void disabledHeadphonesDisableTheCueControls();
  void doNotBotherMeAgainSilencesTheWarning();
};

void MainWindowLifecycleTest::cancelInTheQuitRequesterKeepsRunning() {
  TestDirectories dirs;
  Program program(dirs);
  QVERIFY(program.app.create());
  program.window.show();
  QSignalSpy quits(&program.app, &Application::quitRequested);
  RequesterAnswerer answerer("&Cancel");
  program.window.close();  // the close gadget asks like "Quit..."
  QCOMPARE(answerer.seenTexts, QStringList{"Do you really want to quit?"});
  QCOMPARE(answerer.seenFormats, QList<Qt::TextFormat>{Qt::PlainText});  // a file named "<b>x.wav" shows as it is
  QCOMPARE(quits.count(), 0);
  QVERIFY(program.window.isVisible());
  QVERIFY(program.app.engine() != nullptr);
  QVERIFY(program.app.masterOutput() != nullptr);
}

void MainWindowLifecycleTest::okInTheQuitRequesterEndsTheLoop() {
  TestDirectories dirs;
  Program program(dirs);
  QVERIFY(program.app.create());
  program.window.show();
  QEventLoop loop;
  QObject::connect(&program.app, &Application::quitRequested, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  QAction* quit = nullptr;
  for (QAction* menu : program.window.menuBar()->actions()) {
    for (QAction* item : menu->menu()->actions()) {
      if (item->text() == "Quit...") quit = item;
    }
  }
  QVERIFY(quit);
  RequesterAnswerer answerer("&OK");
  QTimer::singleShot(0, quit, &QAction::trigger);
  QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
  QCOMPARE(loop.exec(), 0);
  QCOMPARE(answerer.seenTexts.size(), 1);
  QVERIFY(!program.window.isVisible());
}

void MainWindowLifecycleTest::breakSignalEndsTheLoopWithoutAsking() {
  TestDirectories dirs;
  Program program(dirs);
  QVERIFY(program.app.create());
  program.window.show();
  BreakSignal breakSignal;
  QObject::connect(&breakSignal, &BreakSignal::received, &program.app, &Application::endByBreakSignal);
  QEventLoop loop;
  QObject::connect(&program.app, &Application::quitRequested, &loop, &QEventLoop::quit, Qt::QueuedConnection);
  RequesterAnswerer answerer("&OK");
  QTimer::singleShot(20, [] { std::raise(SIGINT); });
  QTimer::singleShot(5000, &loop, [&loop] { loop.exit(1); });
  QCOMPARE(loop.exec(), 0);
  QVERIFY(answerer.seenTexts.isEmpty());
  QVERIFY(!program.window.isVisible());
}

void MainWindowLifecycleTest::disabledHeadphonesDisableTheCueControls() {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIL", kHeadphonesDisabled}});
  Program program(dirs, {"Card A"});
  QVERIFY(program.app.create());
  QVERIFY(program.app.engine()->headphonesOff());
  for (const char* name : {"cueA", "cueB", "headphoneMasterLevel", "headphoneCueLevel"}) {
    QVERIFY2(program.find<QWidget>(name) && !program.find<QWidget>(name)->isEnabled(), name);
  }
  QVERIFY(program.find<QSlider>("crossFader")->isEnabled());

  // Choosing the null output on the settings page and pressing "Use" brings them back.
  auto* headphones = program.window.settingsWindow().findChild<QComboBox*>("AHIL");
  QVERIFY(headphones);
  QCOMPARE(headphones->currentData().toString(), QString(kHeadphonesDisabled));
  headphones->setCurrentIndex(headphones->findData(QString(kNullOutputName)));
  program.window.settingsWindow().findChild<QPushButton*>("use")->click();
  QVERIFY(!program.app.engine()->headphonesOff());
  QVERIFY(program.find<QPushButton>("cueA")->isEnabled());
  QVERIFY(program.find<QWidget>("headphoneCueLevel")->isEnabled());
  // The cue button drives the engine's cue source.
  program.find<QPushButton>("cueB")->click();
  QCOMPARE(program.app.engine()->cueSource(), 2u);
}

void MainWindowLifecycleTest::doNotBotherMeAgainSilencesTheWarning() {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIS", "Card A"}, {"AHIL", "Card A"}});
  {
    Program program(dirs, {"Card A"});
    RequesterAnswerer answerer("&Do not bother me again.");
    QVERIFY(program.app.create());
    QCOMPARE(answerer.seenTitles, QStringList{"Warning"});
    QVERIFY(answerer.seenTexts.value(0).contains("Speakers and Headphones outputs have been assigned"));
    QVERIFY(program.window.settingsWindow().findChild<QCheckBox*>("WARN")->isChecked());
    QVERIFY(program.app.appStartAudio());
    QCOMPARE(answerer.seenTexts.size(), 1);
  }
  // A restart of the program remembers the answer.
  Program restarted(dirs, {"Card A"});
  RequesterAnswerer answerer("&OK");
  QVERIFY(restarted.app.create());
  QVERIFY(restarted.app.sharedUnit());
  QVERIFY(answerer.seenTexts.isEmpty());
}

QTEST_MAIN(MainWindowLifecycleTest)
#include "MainWindowLifecycleTest.moc"

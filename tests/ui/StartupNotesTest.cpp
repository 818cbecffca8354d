// What the user meets at start besides the decks: the history note with its two buttons, and the
// version check's texts in the about window and the status line.

#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/HistoryNoteWindow.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SplashWindow.h"
#include "core/CatalogTable.h"
#include "support/CannedHttpServer.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"

using namespace gm;
using gm::testing::CannedHttpServer;
using gm::testing::FakeAudioBackend;
using gm::testing::ScriptedRequester;
using gm::testing::TestDirectories;

namespace {

QSettings storedCopy(const QString& path) { return {path, QSettings::IniFormat}; }

// One started program with its window, as main() wires them.
struct Program {
  explicit Program(const TestDirectories& dirs) : app(dirs.directories(), backend, requester), window(app) {
    notes = std::make_unique<QSignalSpy>(&app, &Application::historyNoteDue);
    created = app.create();
    window.show();
  }
  HistoryNoteWindow* openNote() {
    gm::testing::waitFor([this] { return window.findChild<HistoryNoteWindow*>() != nullptr; }, 5000);
    return window.findChild<HistoryNoteWindow*>();
  }
  QString statusText() { return window.findChild<QLabel*>("statusText")->text(); }
  bool statusBold() { return window.findChild<QLabel*>("statusText")->font().bold(); }

  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app;
  MainWindow window;
  std::unique_ptr<QSignalSpy> notes;
  bool created = false;
};

}  // namespace

class StartupNotesTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void historyNoteStaysOffOnceTheUserSaysSo();
  void versionTextsReachTheAboutWindowAndTheStatusLine();
  void splashFollowsItsSettingAndGivesWayToRequesters();
};

void StartupNotesTest::historyNoteStaysOffOnceTheUserSaysSo() {
  TestDirectories dirs;
  const QString permanent = dirs.directories().configDir() + "/settings.ini";
  const QString temporary = dirs.directories().runtimeDir() + "/settings.ini";
  {
    Program program(dirs);  // no History file in the program directory
    QVERIFY(program.created);
    HistoryNoteWindow* note = program.openNote();
    QVERIFY(note);
    QCOMPARE(note->findChild<QPlainTextEdit*>("historyText")->toPlainText(), QString("Couldn't load history note."));
    QVERIFY(note->findChild<QPlainTextEdit*>("historyText")->isReadOnly());
    note->findChild<QPushButton*>("historyOk")->click();
    QTRY_VERIFY(program.window.findChild<HistoryNoteWindow*>() == nullptr);
    QVERIFY(!program.app.settings().flag(SettingId::kNoHistoryNote));
  }
  const QByteArray history = "GrooveMangler 1.4\n- Grüße from the first release.\n";
  QFile file(dirs.path("prog/History"));
  QVERIFY(file.open(QIODevice::WriteOnly) && file.write(history) == history.size());
  file.close();
  {
    Program program(dirs);  // "OK" asked nothing: the note comes again
    HistoryNoteWindow* note = program.openNote();
    QVERIFY(note);
    QCOMPARE(note->findChild<QPlainTextEdit*>("historyText")->toPlainText(), QString::fromUtf8(history));
    // A change in the settings window that was neither saved nor used stays out of both copies.
    program.app.settings().setValue(SettingId::kPitchRange, 500);
    note->findChild<QPushButton*>("historyDoNotBother")->click();
    QTRY_VERIFY(program.window.findChild<HistoryNoteWindow*>() == nullptr);
    QVERIFY(program.app.settings().flag(SettingId::kNoHistoryNote));
    for (const QString& path : {permanent, temporary}) {
      QCOMPARE(storedCopy(path).value(SettingId::kNoHistoryNote).toBool(), true);
      QCOMPARE(storedCopy(path).value(SettingId::kPitchRange).toInt(), 1000);
    }
    // "Cancel" in the settings window goes back to the temporary copy, which keeps the choice.
    program.app.cancelSettings();
    QVERIFY(program.app.settings().flag(SettingId::kNoHistoryNote));
  }
  Program restarted(dirs);
  QVERIFY(restarted.created);
  QCOMPARE(restarted.notes->count(), 0);
}

void StartupNotesTest::versionTextsReachTheAboutWindowAndTheStatusLine() {
  struct Case { QByteArray answer; QString aboutText; bool inStatusLine; bool bold; };
  const Case cases[] = {
      {CannedHttpServer::answer(200, "08.06.15"), "You are running the last version.", false, false},
      {CannedHttpServer::answer(200, "15.11.16"), "A new version is available for download.", true, true},
      {CannedHttpServer::answer(404, "08.06.15"), "Couldn't check for new version to download.", true, false},
  };
  for (const Case& c : cases) {
    TestDirectories dirs;
    CannedHttpServer server(c.answer);
    storedCopy(dirs.directories().configDir() + "/settings.ini").setValue(SettingId::kVersionServer, server.authority());
    Program program(dirs);
    QVERIFY(program.created);
    auto* about = program.window.findChild<AboutWindow*>("aboutWindow");
    auto* state = about->findChild<QLabel*>("versionCheckState");
    QTRY_VERIFY_WITH_TIMEOUT(state->text() != msg(Msg::VersionChecking), 20000);
    QCOMPARE(state->text(), c.aboutText);
    QCOMPARE(state->font().bold(), c.bold);
    QCOMPARE(program.statusText() == c.aboutText, c.inStatusLine);
    if (c.inStatusLine) QCOMPARE(program.statusBold(), c.bold);
    QCOMPARE(server.requestLines().size(), 1);
  }

  // Without a server (the default) nothing is asked; the about window says so and opens from the menu.
  TestDirectories dirs;
  Program program(dirs);
  QAction* aboutItem = nullptr;
  for (QAction* menu : program.window.menuBar()->actions()) {
    for (QAction* item : menu->menu()->actions()) {
      if (item->text() == "About...") aboutItem = item;
    }
  }
  QVERIFY(aboutItem);
  aboutItem->trigger();
  auto* about = program.window.findChild<AboutWindow*>("aboutWindow");
  QVERIFY(about->isVisible());
  QCOMPARE(about->findChild<QLabel*>("version")->text(), QString("Version 1.4 (08.06.15)"));
  QCOMPARE(about->findChild<QLabel*>("versionCheckState")->text(), msg(Msg::VersionCheckOff));
  QCOMPARE(program.app.versionCheck().state(), VersionCheck::State::Off);
}

void StartupNotesTest::splashFollowsItsSettingAndGivesWayToRequesters() {
  TestDirectories dirs;
  std::unique_ptr<SplashWindow> splash = SplashWindow::showUnlessTurnedOff(dirs.directories());
  QVERIFY(splash && splash->isVisible());
  // A requester during start-up (the shared-device warning, the error that ends it) is never hidden.
  QMessageBox requester(QMessageBox::Warning, "Warning", "Speakers and Headphones outputs ...");
  bool splashShownWithRequester = true;
  QTimer::singleShot(0, &requester, [&] {
    splashShownWithRequester = splash->isVisible();
    requester.accept();
  });
  requester.exec();
  QVERIFY(!splashShownWithRequester);

  storedCopy(dirs.directories().configDir() + "/settings.ini").setValue(SettingId::kNoSplash, true);
  QVERIFY(SplashWindow::showUnlessTurnedOff(dirs.directories()) == nullptr);
}

QTEST_MAIN(StartupNotesTest)
#include "StartupNotesTest.moc"

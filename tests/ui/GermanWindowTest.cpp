// The program in German, as a German DJ starts it: the catalog the build installs is found from
// LANG, every text of the main window, the settings window and the mapping editor comes from it,
// nothing is cut at 1280 × 720, and a mapping saved in German keeps the built-in names. The grabs
// are saved under /tmp for a look by eye.

#include <QAbstractButton>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QStyleOptionButton>
#include <QtTest>

#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "app/ui/SettingsWindow.h"
#include "control/EventMappingFile.h"
#include "control/ui/EventMappingWindow.h"
#include "core/CatalogTable.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "widgets/Knob.h"

using namespace gm;

namespace {

constexpr int kLoadTimeoutMs = 30000;

struct GermanProgram {
  GermanProgram() {
    if (!pluginsInstalled || !app.create()) qFatal("the program did not start");
    window.show();
  }
  ~GermanProgram() { window.closeAll(); }
  testing::TestDirectories dirs;
  const bool pluginsInstalled = testing::installBuiltPlugins(dirs.directories());
  testing::FakeAudioBackend backend;
  testing::ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
  MainWindow window{app};
};

// A button's text as drawn: "&&" is an ampersand, a single "&" marks the mnemonic and takes no room.
QString visibleText(const QAbstractButton& button) {
  const QString text = button.text();
  QString shown;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && ++i == text.size()) break;
    shown += text[i];
  }
  return shown;
}

// Every shown label, knob and button of `top` as wide as its text needs: "CUE SETZEN" cut to "CUE SETZ"
// reads as something else. Returns what is cut.
QStringList cutTexts(const QWidget& top) {
  QStringList cut;
  for (const QWidget* widget : top.findChildren<QWidget*>()) {
    if (!widget->isVisibleTo(&top)) continue;
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
      if (label->wordWrap() || label->text().isEmpty()) continue;
      if (label->width() < label->minimumSizeHint().width() ||
          label->fontMetrics().horizontalAdvance(label->text()) > label->contentsRect().width()) {
        cut << QString("%1 '%2' %3px").arg(label->objectName(), label->text()).arg(label->width());
      }
    } else if (const auto* knob = qobject_cast<const Knob*>(widget)) {
      // The caption is drawn in the knob's own font, within its width.
      if (knob->fontMetrics().horizontalAdvance(knob->label()) > knob->width()) {
        cut << QString("%1 '%2' %3px").arg(knob->objectName(), knob->label()).arg(knob->width());
      }
    } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
      if (button->text().isEmpty()) continue;
      QStyleOptionButton option;
      option.initFrom(button);
      option.text = button->text();
      const QRect contents = button->style()->subElementRect(QStyle::SE_PushButtonContents, &option, button);
      if (button->fontMetrics().horizontalAdvance(visibleText(*button)) > contents.width()) {
        cut << QString("%1 '%2' %3px").arg(button->objectName(), button->text()).arg(button->width());
      }
    }
  }
  return cut;
}

}  // namespace

class GermanWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void initTestCase();
  void cleanupTestCase() { CatalogTable::resetToBuiltIn(); }
  void theWindowsShowGermanTextsUncut();
  void aMappingSavedInGermanKeepsTheBuiltInNames();

 private:
  QTemporaryDir dir_;
};

void GermanWindowTest::initTestCase() {
  MainWindow::applyDarkTheme();
  QVERIFY(dir_.isValid());
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANGUAGE"}) qunsetenv(variable);
  qputenv("LANG", "de_DE.UTF-8");
  const QString catalog = CatalogTable::catalogPathForLanguage(qEnvironmentVariable("GROOVEMANGLER_PROGDIR"));
  QVERIFY2(catalog.endsWith("/Catalogs/de/GrooveMangler.catalog"), qPrintable(catalog));
  QCOMPARE(CatalogTable::translate(catalog), int(Msg::Count) - 1);
}

void GermanWindowTest::theWindowsShowGermanTextsUncut() {
  GermanProgram program;
  const QString track = testing::makeTrack(dir_.path(), "Nachtfahrt (Extended Mix).wav", 126, {"--seconds", "4"});
  program.app.loadFiles({track});
  Deck& deckA = program.app.deck(Application::kDeckA);
  QVERIFY(testing::waitFor([&] { return deckA.hasTrack() && !deckA.busy(); }, kLoadTimeoutMs));
  program.window.resize(1280, 720);
  QCoreApplication::processEvents();
  QCOMPARE(program.window.size(), QSize(1280, 720));

  // Built from the catalog: a deck button, a mixer caption and the menu.
  QCOMPARE(program.window.findChild<QAbstractButton*>("deckA.setCue")->text(), QString("CUE SETZEN"));
  QCOMPARE(program.window.findChild<QAbstractButton*>("mixerB.mute")->text(), QString("STUMM"));
  QCOMPARE(program.window.menuBar()->actions().front()->text(), QString("Projekt"));
  QVERIFY(program.window.grab().save("/tmp/gm-de-window-1280x720.png"));
  QStringList cut = cutTexts(program.window);
  QVERIFY2(cut.isEmpty(), qPrintable("main window: " + cut.join(", ")));

  SettingsWindow& settings = program.window.settingsWindow();
  settings.open();
  QVERIFY(QTest::qWaitForWindowExposed(&settings));
  auto* pages = settings.findChild<QListWidget*>("pageList");
  for (int page = 0; page < pages->count(); ++page) {
    pages->setCurrentRow(page);
    QCoreApplication::processEvents();
    QVERIFY(settings.grab().save(QString("/tmp/gm-de-settings-%1.png").arg(page)));
    cut = cutTexts(settings);
    QVERIFY2(cut.isEmpty(), qPrintable(QString("settings page %1: %2").arg(page).arg(cut.join(", "))));
  }
  settings.close();

  EventMappingWindow& mapping = program.window.eventMappingWindow();
  mapping.show();
  QVERIFY(QTest::qWaitForWindowExposed(&mapping));
  QVERIFY(mapping.grab().save("/tmp/gm-de-mapping.png"));
  cut = cutTexts(mapping);
  QVERIFY2(cut.isEmpty(), qPrintable("mapping editor: " + cut.join(", ")));
}

void GermanWindowTest::aMappingSavedInGermanKeepsTheBuiltInNames() {
  GermanProgram program;
  const QByteArray saved = EventMappingFile::format(program.app.events());
  // A deck's event, the recorder's and a filter's on/off, which adds a catalog text to a plug-in name.
  QVERIFY(saved.contains("ORIGIN:Controller A\nEVENTNAME:Play/Pause\n"));
  QVERIFY(saved.contains("ORIGIN:Recorder\nEVENTNAME:Start/Stop Recording\n"));
  QVERIFY(saved.contains("ORIGIN:Filter B\nEVENTNAME:Mufflex On/Off\n"));
  QVERIFY(!saved.contains("Steuerung") && !saved.contains(" An/Aus"));
}

QTEST_MAIN(GermanWindowTest)
#include "GermanWindowTest.moc"

// Keys and controllers as a user meets them in the window: shortcuts that work whatever has the
// focus, and the mapping editor recording a key, catching a sensor, sorting, cancelling and saving.

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QtTest>

#include "app/AppEvents.h"
#include "app/Application.h"
#include "app/ui/MainWindow.h"
#include "control/ui/EventMappingWindow.h"
#include "control/ui/EventTableModel.h"
#include "core/RegularFile.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedMidiSource.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"

using namespace gm;

namespace {

struct Program {
  Program() {
    app.create();
    window.show();
  }
  ~Program() { window.closeAll(); }

  EventMappingWindow& editor() { return window.eventMappingWindow(); }
  template <typename T>
  T* editorWidget(const char* name) { return editor().findChild<T*>(name); }

  // Makes the event the editor's current row, as a click on it would.
  void choose(const QString& zone, const QString& name) {
    QTableView& table = editor().table();
    for (int row = 0; row < table.model()->rowCount(); ++row) {
      if (table.model()->index(row, EventTableModel::kZone).data() == zone &&
          table.model()->index(row, EventTableModel::kName).data() == name) {
        table.setCurrentIndex(table.model()->index(row, 0));
        return;
      }
    }
    QFAIL("no such event");
  }
  EventBinding& record(const QString& zone, const QString& name) {
    for (EventBinding& candidate : app.events().records()) {
      if (candidate.zone == zone && candidate.name == name) return candidate;
    }
    throw std::runtime_error("no such event");
  }

  gm::testing::TestDirectories dirs;
  gm::testing::FakeAudioBackend backend;
  gm::testing::ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
  MainWindow window{app};
};

}  // namespace

class EventMappingWindowTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void keysReachTheShortcutsWhateverHasTheFocusButDialogFieldsKeepTheirs();
  void aRecordedKeyBindsTheEventCancelUndoesItAndSaveWritesIt();
  void aCaughtButtonIsShownAndFiresFromItsSecondPress();
  void aColumnTitleSortsByItsTextsAndAgainReverses();
  void aTouchedMidiNoteIsCaughtShownAndItsLightFollowsTheWindow();
};

void EventMappingWindowTest::keysReachTheShortcutsWhateverHasTheFocusButDialogFieldsKeepTheirs() {
  Program program;
  QVERIFY(QTest::qWaitForWindowExposed(&program.window));
  // A slider that has the focus would take the arrow keys for itself.
  program.record("Mixer", "Cross Fader Right").keyboard = "up";
  auto* pitchFader = program.window.findChild<QSlider*>("deckA.pitch");
  QVERIFY(pitchFader != nullptr);
  pitchFader->setFocus();
  QTest::keyClick(program.window.windowHandle(), Qt::Key_Up);
  QCOMPARE(program.app.crossFader().value(), AppEvents::kCrossFaderStep);
  QCOMPARE(program.app.deckControls(Application::kDeckA).pitchSlider().value(), 10000);

  program.editor().open();
  QVERIFY(QTest::qWaitForWindowExposed(&program.editor()));
  auto* script = program.editorWidget<QLineEdit>("script");
  program.choose("Controller A", "Pitch Up");
  script->setFocus();
  QTest::keyClicks(script, "n");
  QCOMPARE(script->text(), QString("n"));
  QCOMPARE(program.app.crossFader().value(), AppEvents::kCrossFaderStep);
}

void EventMappingWindowTest::aRecordedKeyBindsTheEventCancelUndoesItAndSaveWritesIt() {
  Program program;
  BoundedValue& pitch = program.app.deckControls(Application::kDeckA).pitchSlider();
  const EventBinding& pitchUp = program.record("Controller A", "Pitch Up");
  program.editor().open();
  program.choose("Controller A", "Pitch Up");
  auto* shortcut = program.editorWidget<QLineEdit>("shortcut");
  QVERIFY(shortcut->isEnabled());
  QTest::keyClick(shortcut, Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(shortcut->text(), QString("ctrl alt p"));
  QCOMPARE(pitchUp.keyboard, QString("ctrl alt p"));
  program.editorWidget<QPushButton>("cancel")->click();
  QVERIFY(!program.editor().isVisible());
  QCOMPARE(pitchUp.keyboard, QString("w"));  // the default it had when the editor opened

  program.editor().open();
  program.choose("Controller A", "Pitch Up");
  QTest::keyClick(shortcut, Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
  program.choose("Controller A", "Tempo");
  QVERIFY(!shortcut->isEnabled());  // analog events take no shortcut
  program.editorWidget<QPushButton>("save")->click();
  QVERIFY(!program.editor().isVisible());
  const QByteArray saved = RegularFile::read(program.dirs.directories().homeDir() + "/Config/default.cfg", 1 << 20)
                               .value_or(QByteArray());
  QVERIFY(saved.contains("EVENTNAME:Pitch Up\nAMIGADOS:\nKEYBOARD:ctrl alt p\n"));

  const int before = pitch.value();
  QTest::keyClick(program.window.windowHandle(), Qt::Key_P, Qt::ControlModifier | Qt::AltModifier);
  QCOMPARE(pitch.value(), before + 1);
}

void EventMappingWindowTest::aCaughtButtonIsShownAndFiresFromItsSecondPress() {
  Program program;
  EventMapping& mapping = program.app.appEvents().mapping();
  program.editor().open();
  program.choose("Equalizer A", "Hi Kill");
  auto* catchEvent = program.editorWidget<QPushButton>("catchEvent");
  auto* relative = program.editorWidget<QCheckBox>("relative");
  catchEvent->click();
  QVERIFY(mapping.catchMode());
  const SensorRecord button{"BTN_SOUTH", 0x06F8, 0xB105, 1, SensorKind::Button, "DJ Pad"};
  mapping.sensorReading(button, 1.0);
  QVERIFY(!catchEvent->isChecked());
  QCOMPARE(program.editorWidget<QLabel>("sensor")->text(), QString("DJ Pad BTN_SOUTH (1)"));
  QVERIFY(!relative->isEnabled());
  QVERIFY(!relative->isChecked());
  program.editorWidget<QPushButton>("use")->click();

  BoundedValue& kill = program.app.mixerChannel(Application::kDeckA).kill(MixerChannel::kHighBand);
  for (const double value : {0.0, 1.0, 0.0}) mapping.sensorReading(button, value);  // release caught, first press primes
  QCOMPARE(kill.value(), 1);
  for (const double value : {1.0, 0.0}) mapping.sensorReading(button, value);
  QCOMPARE(kill.value(), 0);
}

void EventMappingWindowTest::aColumnTitleSortsByItsTextsAndAgainReverses() {
  Program program;
  program.editor().open();
  QVERIFY(QTest::qWaitForWindowExposed(&program.editor()));
  QTableView& table = program.editor().table();
  QAbstractItemModel& rows = *table.model();
  QCOMPARE(rows.index(0, EventTableModel::kName).data().toString(), QString("Cross Fader"));  // registration order
  QHeaderView* header = table.horizontalHeader();
  const auto clickTitle = [header](int column) {
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(column) + 4, header->height() / 2));
  };
  const auto cell = [&rows](int row, int column) { return rows.index(row, column).data().toString(); };
  const int last = rows.rowCount() - 1;

  // Unbound shortcuts sort as empty texts, before "," although they show as "Unassigned".
  clickTitle(EventTableModel::kShortcut);
  QCOMPARE(cell(0, EventTableModel::kShortcut), QString("Unassigned"));
  QCOMPARE(cell(last, EventTableModel::kShortcut), QString("z"));
  clickTitle(EventTableModel::kShortcut);
  QCOMPARE(cell(0, EventTableModel::kShortcut), QString("z"));
  // Types sort by number: Button (0) before Toggle (1) before Analog (2).
  clickTitle(EventTableModel::kType);
  QCOMPARE(cell(0, EventTableModel::kType), QString("Button"));
  QCOMPARE(cell(last, EventTableModel::kType), QString("Analog"));
}

void EventMappingWindowTest::aTouchedMidiNoteIsCaughtShownAndItsLightFollowsTheWindow() {
  Program program;
  MidiSource::Handlers controller;
  gm::testing::ScriptedMidiSource::Sent lights;
  MidiHub& hub = program.app.appEvents().midi();
  hub.start(std::make_unique<gm::testing::ScriptedMidiSource>(controller, lights));
  const QString pad = "DJ Pad MIDI 1";
  const auto touch = [&](const MidiMessage& message) { controller.message(pad, message, MidiSource::Clock::now()); };

  program.editor().open();
  program.choose("Equalizer A", "Hi Kill");
  program.editorWidget<QPushButton>("catchEvent")->click();
  touch(MidiMessage::noteOn(0, 11, 127));
  touch(MidiMessage::noteOff(0, 11));
  QVERIFY(!program.editorWidget<QPushButton>("catchEvent")->isChecked());
  const QString shown = "DJ Pad MIDI 1 Ch.1 Note 11";
  QCOMPARE(program.editorWidget<QLabel>("sensor")->text(), shown);
  QTableView& table = program.editor().table();
  QCOMPARE(table.model()->index(table.currentIndex().row(), EventTableModel::kSensor).data().toString(), shown);
  QVERIFY(!program.editorWidget<QCheckBox>("relative")->isEnabled());
  program.editorWidget<QPushButton>("use")->click();

  BoundedValue& kill = program.app.mixerChannel(Application::kDeckA).kill(MixerChannel::kHighBand);
  QCOMPARE(kill.value(), 0);  // catching fired nothing
  QTRY_COMPARE(lights, (gm::testing::ScriptedMidiSource::Sent{{pad, MidiMessage::noteOn(0, 11, 0)}}));
  program.window.findChild<QPushButton*>("mixerA.hiKill")->click();
  QCOMPARE(kill.value(), 1);
  QTRY_COMPARE(lights.size(), std::size_t(2));
  QCOMPARE(lights.back().second, MidiMessage::noteOn(0, 11, 127));
  touch(MidiMessage::noteOn(0, 11, 127));
  touch(MidiMessage::noteOff(0, 11));
  QCOMPARE(kill.value(), 0);
}

QTEST_MAIN(EventMappingWindowTest)
#include "EventMappingWindowTest.moc"

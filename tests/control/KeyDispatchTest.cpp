#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "control/EventDispatcher.h"
#include "control/EventList.h"
#include "control/EventScriptLauncher.h"
#include "control/KeyDescription.h"
#include "control/QtKeyTranslation.h"
#include "core/RegularFile.h"
#include "support/RecordingTarget.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

using testing::RecordingTarget;
using Calls = std::vector<std::pair<std::uint32_t, std::int32_t>>;

KeyMessage described(const char* text) { return KeyDescription::parse(text).value_or(KeyMessage{0xFFFF, 0xFFFF}); }

KeyMessage released(KeyMessage key, std::uint16_t extraQualifiers = 0) {
  key.code |= KeyMessage::kKeyUp;
  key.qualifiers |= extraQualifiers;
  return key;
}

TEST(KeyDescription, ParsesWhatItWritesAndRefusesWhatIsNoKey) {
  for (const char* text : {"ctrl alt a", "shift f1", "numericpad 5", "upstroke space", "ralt command ]", "numericpad enter"}) {
    const std::optional<KeyMessage> key = KeyDescription::parse(text);
    ASSERT_TRUE(key) << text;
    EXPECT_EQ(KeyDescription::describe(*key), text);
  }
  EXPECT_EQ(KeyDescription::parse("  RawKey  Control LALT  A "), KeyDescription::parse("ctrl alt a"));
  EXPECT_NE(KeyDescription::parse("numericpad 5"), KeyDescription::parse("5"));
  EXPECT_EQ(KeyDescription::parse("upstroke a")->code, KeyDescription::parse("a")->code | KeyMessage::kKeyUp);
  for (const char* text : {"", "ctrl", "a ctrl", "hyper a", "f13", "-shift a"}) {
    EXPECT_FALSE(KeyDescription::parse(text)) << text;
  }
}

TEST(QtKeyTranslation, GivesTheCodesAndQualifiersDescriptionsParseInto) {
  using Q = QtKeyTranslation;
  EXPECT_EQ(Q::message(Qt::Key_A, Qt::ControlModifier | Qt::AltModifier, false, false), described("ctrl alt a"));
  EXPECT_EQ(Q::message(Qt::Key_Exclam, Qt::ShiftModifier, false, false), described("shift 1"));
  EXPECT_EQ(Q::message(Qt::Key_5, Qt::KeypadModifier, false, false), described("numericpad 5"));
  EXPECT_EQ(Q::message(Qt::Key_Plus, Qt::KeypadModifier, false, false), described("numericpad +"));
  EXPECT_EQ(Q::message(Qt::Key_F1, Qt::ShiftModifier, true, false), released(described("shift f1")));
  const std::optional<KeyMessage> repeat = Q::message(Qt::Key_D, Qt::NoModifier, false, true);
  ASSERT_TRUE(repeat);
  EXPECT_EQ(repeat->qualifiers, KeyMessage::kRepeat);
  EXPECT_FALSE(Q::message(Qt::Key_D, Qt::NoModifier, true, true));  // the window system's release between repeats
  EXPECT_FALSE(Q::message(Qt::Key_Shift, Qt::ShiftModifier, false, false));
}

class KeyDispatch : public ::testing::Test {
 protected:
  EventBinding& bind(const char* zone, std::uint32_t method, const char* keys) {
    EventBinding& record = events.registerEvent(zone, "event", 0, &target, method);
    record.keyboard = keys;
    return record;
  }

  EventList events;
  RecordingTarget target;
  EventScriptLauncher scripts;
  EventDispatcher dispatcher{events, scripts};
};

TEST_F(KeyDispatch, DownSendsOneUpSendsZeroRepeatsNothingAndEveryMatchingEventFires) {
  bind("A", 1, "d");
  bind("B", 2, "d");
  bind("C", 3, "ctrl alt d");
  bind("D", 4, "upstroke space");
  events.registerEvent("E", "unbound", 0, &target, 5);
  const KeyMessage d = described("d");

  EXPECT_TRUE(dispatcher.keyMessage(d));
  EXPECT_EQ(target.calls, (Calls{{1, 1}, {2, 1}}));
  target.calls.clear();
  EXPECT_FALSE(dispatcher.keyMessage({d.code, KeyMessage::kRepeat}));  // held: no repeats
  EXPECT_TRUE(dispatcher.keyMessage({d.code, KeyMessage::kRelativeMouse}));
  EXPECT_TRUE(dispatcher.keyMessage(released(d, KeyMessage::kRepeat | KeyMessage::kRelativeMouse)));
  EXPECT_EQ(target.calls, (Calls{{1, 1}, {2, 1}, {1, 0}, {2, 0}}));
  target.calls.clear();

  // Qualifiers must be exactly the shortcut's.
  EXPECT_FALSE(dispatcher.keyMessage({d.code, KeyMessage::kControl}));
  EXPECT_TRUE(dispatcher.keyMessage(described("ctrl alt d")));
  EXPECT_FALSE(dispatcher.keyMessage({d.code, KeyMessage::kControl | KeyMessage::kAlt | KeyMessage::kShift}));
  EXPECT_EQ(target.calls, (Calls{{3, 1}}));
  target.calls.clear();
  // Ctrl and alt let go first: the release still reaches the event its press fired, and only that.
  EXPECT_TRUE(dispatcher.keyMessage(released(d, KeyMessage::kShift)));
  EXPECT_EQ(target.calls, (Calls{{3, 0}}));
  target.calls.clear();
  EXPECT_FALSE(dispatcher.keyMessage(released(d, KeyMessage::kShift)));  // released once only

  // An "upstroke" shortcut fires on the release only: 1, then 0.
  const KeyMessage space = described("space");
  EXPECT_FALSE(dispatcher.keyMessage(space));
  EXPECT_TRUE(dispatcher.keyMessage(released(space)));
  EXPECT_EQ(target.calls, (Calls{{4, 1}, {4, 0}}));
}

TEST_F(KeyDispatch, AKeyStartsItsEventsScriptOnTheWayDown) {
  QTemporaryDir dir;
  bind("A", 1, "f5").script = QStringLiteral("echo ran >> '%1/ran'").arg(dir.path());
  dispatcher.keyMessage(described("f5"));
  dispatcher.keyMessage(released(described("f5")));
  ASSERT_TRUE(testing::waitFor([&] { return scripts.running() == 0; }));
  EXPECT_EQ(RegularFile::read(dir.filePath("ran"), 100).value_or("none"), "ran\n");
}

}  // namespace
}  // namespace gm

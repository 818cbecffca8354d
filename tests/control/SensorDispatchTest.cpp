#include <gtest/gtest.h>

#include <QSignalSpy>

#include "control/EventDispatcher.h"
#include "control/EventList.h"
#include "control/EventMapping.h"
#include "control/EventScriptLauncher.h"
#include "support/RecordingTarget.h"

namespace gm {
namespace {

using testing::RecordingTarget;
using Calls = std::vector<std::pair<std::uint32_t, std::int32_t>>;

SensorRecord sensor(std::int32_t index, SensorKind kind) {
  return {"S" + QString::number(index), 0x1234, 0x5678, index, kind, "Pad"};
}

// Readings of scripted sensors reach events through the mapping's model, as the controllers' do.
class SensorDispatch : public ::testing::Test {
 protected:
  EventBinding& bind(std::uint32_t method, const SensorRecord& to, bool relative = false) {
    EventBinding& record = events.registerEvent("Zone", "event", 2, &target, method);
    record.hidIndex = to.index;
    record.vendorId = to.vendorId;
    record.deviceId = to.productId;
    record.relative = relative ? 1 : 0;
    return record;
  }
  Calls readings(const SensorRecord& from, std::initializer_list<double> values) {
    target.calls.clear();
    for (const double value : values) mapping.sensorReading(from, value);
    return target.calls;
  }

  EventList events;
  RecordingTarget target;
  EventScriptLauncher scripts;
  EventDispatcher dispatcher{events, scripts};
  EventMapping mapping{events, dispatcher, QString()};
};

TEST_F(SensorDispatch, EachKindSendsItsValues) {
  const SensorRecord button = sensor(1, SensorKind::Button);
  const SensorRecord fader = sensor(2, SensorKind::Unipolar);
  const SensorRecord encoder = sensor(3, SensorKind::Unipolar);
  const SensorRecord stick = sensor(4, SensorKind::Bipolar);
  const SensorRecord wheel = sensor(5, SensorKind::Relative);
  bind(1, button);
  bind(2, fader);
  bind(3, encoder, true);
  bind(4, stick);
  bind(5, wheel);
  events.registerEvent("Zone", "unbound", 2, &target, 6);  // device and index 0: nothing reaches it

  // The first reading of a button only primes it.
  EXPECT_EQ(readings(button, {1.0, 0.0, 1.0, 0.25}), (Calls{{1, 0}, {1, 1}, {1, 1}}));
  // 0.3 in single precision is 0.30000001192..., × 65536 = 19660.80078 → 19660.
  EXPECT_EQ(readings(fader, {0.0, 0.3, 1.0}), (Calls{{2, 0}, {2, 19660}, {2, 65536}}));
  // 8-bit readings 255, 0, 5, 0, 251, 1: from 255 to 0 and from 0 to 251 the counter wrapped.
  EXPECT_EQ(readings(encoder, {1.0, 0.0, 0.02, 0.0, 0.985, 0.004}),
            (Calls{{3, 0}, {3, 65536}, {3, 5 * 65536}, {3, -5 * 65536}, {3, -5 * 65536}, {3, -250 * 65536}}));
  EXPECT_EQ(readings(stick, {-1.0, 0.0, 1.0, -0.5}), (Calls{{4, 0}, {4, 32768}, {4, 65536}, {4, 16384}}));
  EXPECT_EQ(readings(wheel, {1.0, -2.0, 0.0}), (Calls{{5, 65536}, {5, -65536}, {5, -65536}}));
  EXPECT_EQ(readings(sensor(0, SensorKind::Button), {1.0, 0.0}), Calls{});
}

TEST_F(SensorDispatch, CatchingBindsTheChosenEventAndCancelRestoresTheBindings) {
  events.registerEvent("Zone", "first", 0, &target, 1);
  events.registerEvent("Zone", "second", 2, &target, 2).relative = 1;
  mapping.setUp();
  QSignalSpy catchMode(&mapping, &EventMapping::catchModeChanged);

  // A button: caught, never relative, and its release right after the catch does not fire.
  mapping.select(0);
  mapping.setCatchMode(true);
  mapping.sensorReading(sensor(7, SensorKind::Button), 1.0);
  const EventBinding& first = events.records()[0];
  EXPECT_FALSE(mapping.catchMode());
  EXPECT_EQ(catchMode.count(), 2);
  EXPECT_EQ(first.hidName, "Pad S7 (7)");
  EXPECT_EQ(first.hidIndex, 7);
  EXPECT_EQ(first.vendorId, 0x1234);
  EXPECT_EQ(first.deviceId, 0x5678);
  EXPECT_FALSE(mapping.relativeEnabled());
  EXPECT_EQ(readings(sensor(7, SensorKind::Button), {0.0, 1.0, 0.0, 1.0}), (Calls{{1, 0}, {1, 1}}));

  // An axis caught for it makes "Relative" usable again.
  mapping.setCatchMode(true);
  mapping.sensorReading(sensor(8, SensorKind::Bipolar), -1.0);
  EXPECT_TRUE(mapping.relativeEnabled());
  EXPECT_EQ(first.hidIndex, 8);

  mapping.select(1);
  mapping.setShortcut("a");  // an analog event takes no shortcut
  EXPECT_TRUE(events.records()[1].keyboard.isEmpty());
  // "Remove Event" unbinds the sensor only.
  mapping.select(0);
  mapping.setScript("true");
  mapping.setShortcut("f1");
  mapping.removeSensor();
  EXPECT_EQ(first.hidIndex, 0);
  EXPECT_TRUE(first.hidName.isEmpty());
  EXPECT_EQ(first.keyboard, "f1");

  mapping.cancel();
  for (const EventBinding& record : events.records()) {
    EXPECT_EQ(record.hidIndex, 0);
    EXPECT_TRUE(record.hidName.isEmpty());
    EXPECT_TRUE(record.keyboard.isEmpty());
    EXPECT_TRUE(record.script.isEmpty());
  }
  EXPECT_EQ(events.records()[1].relative, 1);
}

TEST_F(SensorDispatch, WithNothingChosenACatchBindsNothing) {
  bind(1, sensor(2, SensorKind::Unipolar));
  mapping.setCatchMode(true);
  EXPECT_EQ(readings(sensor(2, SensorKind::Unipolar), {0.5}), Calls{});
  EXPECT_FALSE(mapping.catchMode());
  EXPECT_EQ(readings(sensor(2, SensorKind::Unipolar), {0.5}), (Calls{{1, 32768}}));
}

}  // namespace
}  // namespace gm

#include "control/EvdevDevice.h"

#include <gtest/gtest.h>

#include <libevdev/libevdev.h>

namespace gm {
namespace {

// A controller described in memory, as the kernel would report it: no device file needed.
libevdev* describedController() {
  libevdev* device = libevdev_new();
  libevdev_set_name(device, "DJ Pad");
  libevdev_set_id_vendor(device, 0x06F8);
  libevdev_set_id_product(device, 0xB105);
  for (const unsigned button : {BTN_EAST, BTN_SOUTH}) libevdev_enable_event_code(device, EV_KEY, button, nullptr);
  const input_absinfo crossFader{0, 0, 1023, 0, 0, 0};
  const input_absinfo jog{0, -128, 127, 0, 0, 0};
  libevdev_enable_event_code(device, EV_ABS, ABS_X, &jog);
  libevdev_enable_event_code(device, EV_ABS, ABS_Z, &crossFader);
  for (const unsigned wheel : {REL_WHEEL, REL_WHEEL_HI_RES}) libevdev_enable_event_code(device, EV_REL, wheel, nullptr);
  return device;
}

TEST(EvdevDevice, ListsButtonsThenAxesThenWheelsAndReadsTheirValues) {
  const EvdevDevice device(describedController(), -1);
  const auto& sensors = device.sensors();
  ASSERT_EQ(sensors.size(), 5u);
  const std::vector<std::pair<QString, SensorKind>> expected = {
      {"BTN_SOUTH", SensorKind::Button}, {"BTN_EAST", SensorKind::Button}, {"ABS_X", SensorKind::Bipolar},
      {"ABS_Z", SensorKind::Unipolar},   {"REL_WHEEL", SensorKind::Relative}};
  for (std::size_t i = 0; i < sensors.size(); ++i) {
    EXPECT_EQ(sensors[i].name, expected[i].first);
    EXPECT_EQ(sensors[i].kind, expected[i].second);
    EXPECT_EQ(sensors[i].index, int(i) + 1);
    EXPECT_EQ(sensors[i].vendorId, 0x06F8);
    EXPECT_EQ(sensors[i].productId, 0xB105);
  }
  EXPECT_EQ(sensors[2].hidName(), "DJ Pad ABS_X (3)");

  const auto value = [&](unsigned type, unsigned code, int raw) -> std::optional<double> {
    const auto reading = device.reading(input_event{{}, std::uint16_t(type), std::uint16_t(code), raw});
    if (!reading) return std::nullopt;
    EXPECT_EQ(reading->first->name, libevdev_event_code_get_name(type, code));
    return reading->second;
  };
  EXPECT_EQ(value(EV_KEY, BTN_EAST, 1), 1.0);
  EXPECT_EQ(value(EV_KEY, BTN_EAST, 0), 0.0);
  EXPECT_EQ(value(EV_KEY, BTN_EAST, 2), std::nullopt);  // auto-repeat
  EXPECT_EQ(value(EV_ABS, ABS_X, -128), -1.0);
  EXPECT_EQ(value(EV_ABS, ABS_X, 127), 1.0);
  EXPECT_EQ(value(EV_ABS, ABS_Z, 0), 0.0);
  EXPECT_EQ(value(EV_ABS, ABS_Z, 341), 341.0 / 1023.0);
  EXPECT_EQ(value(EV_ABS, ABS_Z, 1023), 1.0);
  EXPECT_EQ(value(EV_REL, REL_WHEEL, -3), -3.0);
  EXPECT_EQ(value(EV_REL, REL_WHEEL, 0), std::nullopt);
  EXPECT_EQ(value(EV_REL, REL_WHEEL_HI_RES, 120), std::nullopt);
  EXPECT_EQ(value(EV_KEY, BTN_NORTH, 1), std::nullopt);
}

}  // namespace
}  // namespace gm

#pragma once
// One sensor of a watched HID controller (a button, an axis, a wheel), as every reading of it
// carries: what it is called, which device it belongs to, its place on that device and its kind.

#include <cstdint>

#include <QString>

namespace gm {

enum class SensorKind : std::int32_t {
  Button = 0,    // on/off: readings 0.0 or 1.0
  Unipolar = 1,  // absolute axis, readings 0.0 .. 1.0
  TwoAxis = 2,   // 2 to 6: parts of two-axis controls; they can be caught but send no values
  Relative = 7,  // wheel or jog: readings are signed steps
  Bipolar = 8,   // absolute axis centred on 0, readings -1.0 .. 1.0
};

struct SensorRecord {
  QString name;            // the sensor's own name ("BTN_SOUTH", "ABS_X")
  std::int32_t vendorId = 0;
  std::int32_t productId = 0;
  std::int32_t index = 0;  // position of the sensor in its device's list, from 1
  SensorKind kind = SensorKind::Button;
  QString productName;     // the device's name

  // "<device> <sensor> (<index>)": how bindings show the sensor.
  QString hidName() const { return QStringLiteral("%1 %2 (%3)").arg(productName, name).arg(index); }
};

}  // namespace gm

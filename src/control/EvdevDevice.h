#pragma once
// One input device of the system as a list of sensors: its keys and buttons (kind 0), then its
// absolute axes (kind 1 from 0 to 1, or kind 8 from -1 to 1 when their range goes below 0), then
// its wheels and dials (kind 7), each in the order of their codes and numbered from 1. Readings are
// the device's events in those terms.

#include <linux/input.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include <QByteArray>

#include "control/SensorRecord.h"

struct libevdev;

namespace gm {

class EvdevDevice {
 public:
  using Delivery = std::function<void(const SensorRecord& sensor, double value)>;

  // Takes `device` and `fd` (-1 for a device description without a file: tests).
  EvdevDevice(libevdev* device, int fd);
  ~EvdevDevice();
  EvdevDevice(const EvdevDevice&) = delete;
  EvdevDevice& operator=(const EvdevDevice&) = delete;

  // [main-thread] The device at `path` opened for reading without waiting; nullptr when it cannot be
  // opened (no permission, not an input device).
  static std::unique_ptr<EvdevDevice> open(const QByteArray& path);

  int fd() const { return fd_; }
  const std::vector<SensorRecord>& sensors() const { return sensors_; }

  // The reading an event stands for; none for events that are none (a key's auto-repeat, a
  // wheel that did not move, events of codes the device did not list).
  std::optional<std::pair<const SensorRecord*, double>> reading(const input_event& event) const;
  // [main-thread] Reads every event the device has ready and delivers its readings. False when the
  // device is gone.
  bool readPending(const Delivery& deliver);

 private:
  void addSensors(unsigned type, unsigned lastCode, SensorKind kind);
  SensorKind absoluteKind(unsigned code) const;
  double absoluteValue(unsigned code, int value) const;

  libevdev* device_;
  int fd_;
  std::vector<SensorRecord> sensors_;
  std::map<std::pair<unsigned, unsigned>, std::size_t> byCode_;  // (type, code) → position in sensors_
};

}  // namespace gm

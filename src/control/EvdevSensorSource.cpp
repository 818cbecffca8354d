#include "control/EvdevSensorSource.h"

#include <libudev.h>

#include <cstring>

#include <QSocketNotifier>

#include "control/EvdevDevice.h"

namespace gm {
namespace {

constexpr int kRescanDelayMs = 250;

bool hasProperty(udev_device* device, const char* name) {
  const char* value = udev_device_get_property_value(device, name);
  return value != nullptr && std::strcmp(value, "1") == 0;
}

bool isEventNode(const char* node) { return node != nullptr && std::strncmp(node, "/dev/input/event", 16) == 0; }

}  // namespace

EvdevSensorSource::EvdevSensorSource(QObject* parent) : QObject(parent) {
  rescan_.setSingleShot(true);
  rescan_.setInterval(kRescanDelayMs);
  connect(&rescan_, &QTimer::timeout, this, &EvdevSensorSource::rewatch);
}

EvdevSensorSource::~EvdevSensorSource() {
  stopWatching();
  monitorNotifier_.reset();
  if (monitor_) udev_monitor_unref(monitor_);
  if (udev_) udev_unref(udev_);
}

void EvdevSensorSource::start(Handlers handlers) {
  handlers_ = std::move(handlers);
  udev_ = udev_new();
  if (!udev_) return;  // no device manager: no controllers, and nothing else is amiss
  startHotplug();
  watchDevices();
}

void EvdevSensorSource::startHotplug() {
  monitor_ = udev_monitor_new_from_netlink(udev_, "udev");
  if (!monitor_) return;
  if (udev_monitor_filter_add_match_subsystem_devtype(monitor_, "input", nullptr) < 0 ||
      udev_monitor_enable_receiving(monitor_) < 0) {
    udev_monitor_unref(monitor_);
    monitor_ = nullptr;
    return;
  }
  monitorNotifier_ = std::make_unique<QSocketNotifier>(udev_monitor_get_fd(monitor_), QSocketNotifier::Read);
  connect(monitorNotifier_.get(), &QSocketNotifier::activated, this, &EvdevSensorSource::onHotplug);
}

void EvdevSensorSource::onHotplug() {
  while (udev_device* device = udev_monitor_receive_device(monitor_)) {
    if (isEventNode(udev_device_get_devnode(device))) rescan_.start();
    udev_device_unref(device);
  }
}

// A controller came or went: every device is watched afresh. Bindings follow by vendor, product
// and sensor index, so a controller plugged into another port keeps working.
void EvdevSensorSource::rewatch() {
  stopWatching();
  watchDevices();
  if (handlers_.devicesChanged) handlers_.devicesChanged();
}

bool EvdevSensorSource::isController(udev_device* device) {
  if (hasProperty(device, "ID_INPUT_JOYSTICK")) return true;
  for (const char* other : {"ID_INPUT_KEYBOARD", "ID_INPUT_MOUSE", "ID_INPUT_TOUCHPAD", "ID_INPUT_TOUCHSCREEN",
                            "ID_INPUT_TABLET", "ID_INPUT_POINTINGSTICK", "ID_INPUT_ACCELEROMETER", "ID_INPUT_SWITCH"}) {
    if (hasProperty(device, other)) return false;
  }
  const char* bus = udev_device_get_property_value(device, "ID_BUS");
  return bus != nullptr && (std::strcmp(bus, "usb") == 0 || std::strcmp(bus, "bluetooth") == 0);
}

void EvdevSensorSource::watchDevices() {
  udev_enumerate* enumeration = udev_enumerate_new(udev_);
  if (!enumeration) return;
  udev_enumerate_add_match_subsystem(enumeration, "input");
  udev_enumerate_scan_devices(enumeration);
  udev_list_entry* entry = nullptr;
  udev_list_entry_foreach(entry, udev_enumerate_get_list_entry(enumeration)) {
    if (watched_.size() >= std::size_t(kMaxDevices)) break;
    udev_device* device = udev_device_new_from_syspath(udev_, udev_list_entry_get_name(entry));
    if (!device) continue;
    const char* node = udev_device_get_devnode(device);
    if (isEventNode(node) && isController(device)) {
      if (std::unique_ptr<EvdevDevice> opened = EvdevDevice::open(node)) {
        auto notifier = std::make_unique<QSocketNotifier>(opened->fd(), QSocketNotifier::Read);
        EvdevDevice* raw = opened.get();
        connect(notifier.get(), &QSocketNotifier::activated, this, [this, raw] { readDevice(*raw); });
        watched_.push_back({std::move(opened), std::move(notifier)});
      }
    }
    udev_device_unref(device);
  }
  udev_enumerate_unref(enumeration);
}

void EvdevSensorSource::stopWatching() {
  for (Watched& watched : watched_) watched.notifier.reset();  // before their descriptors close
  watched_.clear();
}

void EvdevSensorSource::readDevice(EvdevDevice& device) {
  const bool present = device.readPending([this](const SensorRecord& sensor, double value) {
    if (handlers_.reading) handlers_.reading(sensor, value);
  });
  // A device that went away is dropped when the system tells; until then it is not read again.
  if (present) return;
  for (Watched& watched : watched_) {
    if (watched.device.get() == &device && watched.notifier) watched.notifier->setEnabled(false);
  }
}

}  // namespace gm

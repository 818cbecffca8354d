#pragma once
// The HID controllers plugged into the system, through the kernel's input devices: at most 8
// game-controller-like devices are watched (keyboards, mice, touchpads and tablets are left to the
// window system), and the set is rebuilt whenever an input device comes or goes.

#include <memory>
#include <vector>

#include <QObject>
#include <QTimer>

#include "control/SensorSource.h"

class QSocketNotifier;
struct udev;
struct udev_device;
struct udev_monitor;

namespace gm {

class EvdevDevice;

class EvdevSensorSource final : public QObject, public SensorSource {
  Q_OBJECT
 public:
  static constexpr int kMaxDevices = 8;

  explicit EvdevSensorSource(QObject* parent = nullptr);
  ~EvdevSensorSource() override;

  // [main-thread]
  void start(Handlers handlers) override;
  // The devices watched now.
  std::size_t watchedDevices() const { return watched_.size(); }

 private:
  struct Watched {
    std::unique_ptr<EvdevDevice> device;
    std::unique_ptr<QSocketNotifier> notifier;
  };

  void startHotplug();
  void onHotplug();
  void rewatch();
  void watchDevices();
  void stopWatching();
  void readDevice(EvdevDevice& device);
  static bool isController(udev_device* device);

  Handlers handlers_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
  std::unique_ptr<QSocketNotifier> monitorNotifier_;
  std::vector<Watched> watched_;
  QTimer rescan_;  // a device comes as several udev events: one rescan for all of them
};

}  // namespace gm

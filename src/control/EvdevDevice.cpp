#include "control/EvdevDevice.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <libevdev/libevdev.h>

namespace gm {

EvdevDevice::EvdevDevice(libevdev* device, int fd) : device_(device), fd_(fd) {
  addSensors(EV_KEY, KEY_MAX, SensorKind::Button);
  addSensors(EV_ABS, ABS_MAX, SensorKind::Unipolar);
  addSensors(EV_REL, REL_MAX, SensorKind::Relative);
}

EvdevDevice::~EvdevDevice() {
  libevdev_free(device_);
  if (fd_ >= 0) ::close(fd_);
}

std::unique_ptr<EvdevDevice> EvdevDevice::open(const QByteArray& path) {
  const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  libevdev* device = nullptr;
  if (libevdev_new_from_fd(fd, &device) != 0) {
    ::close(fd);
    return nullptr;
  }
  return std::make_unique<EvdevDevice>(device, fd);
}

// `kind` is that of every sensor of the type; absolute axes get theirs from their range.
void EvdevDevice::addSensors(unsigned type, unsigned lastCode, SensorKind kind) {
  for (unsigned code = 0; code <= lastCode; ++code) {
    if (!libevdev_has_event_code(device_, type, code)) continue;
    // High-resolution wheels report alongside the ordinary ones: one sensor per wheel.
    if (type == EV_REL && (code == REL_WHEEL_HI_RES || code == REL_HWHEEL_HI_RES)) continue;
    if (type == EV_ABS) {
      const input_absinfo* range = libevdev_get_abs_info(device_, code);
      if (range == nullptr || range->maximum <= range->minimum) continue;
    }
    SensorRecord sensor;
    const char* name = libevdev_event_code_get_name(type, code);
    sensor.name = name ? QString::fromLatin1(name) : QStringLiteral("%1:%2").arg(type).arg(code);
    sensor.vendorId = libevdev_get_id_vendor(device_);
    sensor.productId = libevdev_get_id_product(device_);
    sensor.index = std::int32_t(sensors_.size()) + 1;
    sensor.kind = type == EV_ABS ? absoluteKind(code) : kind;
    sensor.productName = QString::fromUtf8(libevdev_get_name(device_));
    byCode_[{type, code}] = sensors_.size();
    sensors_.push_back(std::move(sensor));
  }
}

SensorKind EvdevDevice::absoluteKind(unsigned code) const {
  return libevdev_get_abs_minimum(device_, code) < 0 ? SensorKind::Bipolar : SensorKind::Unipolar;
}

double EvdevDevice::absoluteValue(unsigned code, int value) const {
  const double minimum = libevdev_get_abs_minimum(device_, code);
  const double maximum = libevdev_get_abs_maximum(device_, code);
  const double share = std::clamp((double(value) - minimum) / (maximum - minimum), 0.0, 1.0);
  return absoluteKind(code) == SensorKind::Bipolar ? share * 2.0 - 1.0 : share;
}

std::optional<std::pair<const SensorRecord*, double>> EvdevDevice::reading(const input_event& event) const {
  const auto found = byCode_.find({event.type, event.code});
  if (found == byCode_.end()) return std::nullopt;
  const SensorRecord* sensor = &sensors_[found->second];
  switch (event.type) {
    case EV_KEY:
      if (event.value != 0 && event.value != 1) return std::nullopt;  // 2: held down, repeating
      return std::pair{sensor, double(event.value)};
    case EV_ABS:
      return std::pair{sensor, absoluteValue(event.code, event.value)};
    case EV_REL:
      if (event.value == 0) return std::nullopt;
      return std::pair{sensor, double(event.value)};
    default:
      return std::nullopt;
  }
}

bool EvdevDevice::readPending(const Delivery& deliver) {
  unsigned flags = LIBEVDEV_READ_FLAG_NORMAL;
  for (;;) {
    input_event event{};
    const int status = libevdev_next_event(device_, flags, &event);
    if (status == -EAGAIN) {
      if (flags == LIBEVDEV_READ_FLAG_NORMAL) return true;
      flags = LIBEVDEV_READ_FLAG_NORMAL;  // caught up after dropped events
      continue;
    }
    if (status < 0) return false;
    // After dropped events the device reports the changes it missed; they are readings like others.
    if (status == LIBEVDEV_READ_STATUS_SYNC) flags = LIBEVDEV_READ_FLAG_SYNC;
    if (const auto reading = this->reading(event)) deliver(*reading->first, reading->second);
  }
}

}  // namespace gm

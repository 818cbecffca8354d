#include "control/MidiPortList.h"

#include <algorithm>

namespace gm {

QString MidiPortList::baseName(const MidiPortInfo& info) {
  if (info.portName.startsWith(info.clientName)) return info.portName;
  return info.clientName + ' ' + info.portName;
}

QString MidiPortList::uniqueName(const QString& base) const {
  if (!byName(base)) return base;
  for (int copy = 2;; ++copy) {
    const QString candidate = QStringLiteral("%1 (%2)").arg(base).arg(copy);
    if (!byName(candidate)) return candidate;
  }
}

MidiPortList::Changes MidiPortList::update(const std::vector<MidiPortInfo>& current) {
  Changes changes;
  const auto gone = [&current](const Port& port) {
    return std::none_of(current.begin(), current.end(), [&port](const MidiPortInfo& info) {
      return info.address == port.info.address && baseName(info) == baseName(port.info);
    });
  };
  for (const Port& port : ports_) {
    if (gone(port)) changes.removed.push_back(port.name);
  }
  std::erase_if(ports_, gone);
  for (const MidiPortInfo& info : current) {
    const auto known = std::find_if(ports_.begin(), ports_.end(),
                                    [&info](const Port& port) { return port.info.address == info.address; });
    if (known != ports_.end()) {
      known->info = info;  // its output may have changed
      continue;
    }
    ports_.push_back({info, uniqueName(baseName(info))});
    changes.added.push_back(ports_.back().name);
  }
  return changes;
}

const MidiPortList::Port* MidiPortList::byAddress(std::uint32_t address) const {
  const auto found = std::find_if(ports_.begin(), ports_.end(), [address](const Port& port) { return port.info.address == address; });
  return found != ports_.end() ? &*found : nullptr;
}

const MidiPortList::Port* MidiPortList::byName(const QString& name) const {
  const auto found = std::find_if(ports_.begin(), ports_.end(), [&name](const Port& port) { return port.name == name; });
  return found != ports_.end() ? &*found : nullptr;
}

}  // namespace gm

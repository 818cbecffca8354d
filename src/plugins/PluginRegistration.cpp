#include "plugins/PluginRegistration.h"

#include "control/EventList.h"
#include "plugins/PluginObject.h"

namespace gm {

void PluginRegistration::add(const char* zone, const char* label, std::uint32_t type, gm_plugin* target,
                             std::uint32_t method) {
  if (target != instance_ || label == nullptr) return;
  events_.registerEvent(QString::fromUtf8(zone ? zone : ""), QString::fromUtf8(label), std::int32_t(type), &object_,
                        method);
}

}  // namespace gm

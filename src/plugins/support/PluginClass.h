#pragma once
// Turns a PluginBase subclass into the C class descriptor that PluginQuery returns. Exceptions
// never cross the C boundary: a failing construction yields NULL.

#include <new>

#include "groovemangler_plugin.h"
#include "plugins/support/PluginBase.h"

namespace gm::plugin {

struct ClassInfo {
  const char* versionString;
  std::uint32_t version;
  std::uint32_t revision;
  gm_plugin_kind kind;
  const char* prefsName;
};

template <typename Plugin>
class PluginClass {
 public:
  static constexpr gm_plugin_class describe(const ClassInfo& info) {
    return gm_plugin_class{GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_plugin_class), info.versionString, info.version, info.revision,
                           std::uint32_t(info.kind), info.prefsName, &create, &dispose, &getAttribute,
                           &setAttributes, &callMethod};
  }

 private:
  static gm_plugin* create(const gm_host* host, void* hostContext, const char* prefsPath) {
    if (!gm_host_is_compatible(host)) return nullptr;
    try {
      return (new Plugin(*host, hostContext, prefsPath))->handle();
    } catch (...) {
      return nullptr;
    }
  }
  static void dispose(gm_plugin* plugin) { delete PluginBase::fromHandle(plugin); }
  static bool getAttribute(gm_plugin* plugin, std::uint32_t id, gm_value* out) {
    if (plugin == nullptr || out == nullptr) return false;
    return PluginBase::fromHandle(plugin)->getAttribute(id, *out);
  }
  static std::uint32_t setAttributes(gm_plugin* plugin, const gm_tag* tags, std::uint32_t count) {
    if (plugin == nullptr) return 0;
    return PluginBase::fromHandle(plugin)->setAttributes(tags, count);
  }
  static std::uint32_t callMethod(gm_plugin* plugin, const gm_message* message) {
    if (plugin == nullptr || message == nullptr) return 0;
    return PluginBase::fromHandle(plugin)->callMethod(*message);
  }
};

}  // namespace gm::plugin

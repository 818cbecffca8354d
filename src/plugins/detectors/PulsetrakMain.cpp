// Pulsetrak: the beat detector plug-in.

#include "plugins/detectors/PulsetrakPlugin.h"
#include "plugins/support/PluginClass.h"

namespace gm::plugin {
namespace {

constexpr gm_plugin_class kClass = PluginClass<PulsetrakPlugin>::describe(
    {"$VER: Pulsetrak.detector 1.1 (19.11.14)", 1, 1, GM_PLUGIN_DETECTOR, "BeatDetectors/BasicDetector.prefs"});

}  // namespace
}  // namespace gm::plugin

extern "C" GM_PLUGIN_EXPORT const gm_plugin_class* PluginQuery(uint32_t which) {
  return which == 0 ? &gm::plugin::kClass : nullptr;
}

// Phaser: the deck's audio mixed with a copy read at a slowly swinging time offset.

#include "plugins/filters/PhaserPlugin.h"
#include "plugins/support/PluginClass.h"

namespace gm::plugin {
namespace {

constexpr gm_plugin_class kClass = PluginClass<PhaserPlugin>::describe(
    {"$VER: Phaser.filter 1.2 (19.11.14)", 1, 2, GM_PLUGIN_FILTER, "Filters/Phaser.prefs"});

}  // namespace
}  // namespace gm::plugin

extern "C" GM_PLUGIN_EXPORT const gm_plugin_class* PluginQuery(uint32_t which) {
  return which == 0 ? &gm::plugin::kClass : nullptr;
}

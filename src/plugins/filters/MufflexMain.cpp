// Mufflex: the second-order low-pass filter.

#include <iterator>

#include "plugins/filters/BiquadFilterPlugin.h"
#include "plugins/support/FourCc.h"
#include "plugins/support/PluginClass.h"

namespace gm::plugin {
namespace {

constexpr gm_panel_row kControlsRows[] = {
    {GM_ROW_SLIDER, "Frequency:", nullptr, GM_FILTER_FREQUENCY, 20, 20000, GM_INITIAL_FIXED, 20000, "%ld Hz", 0, 0},
    {GM_ROW_SLIDER, "Resonance:", nullptr, GM_FILTER_RESONANCE, 50, 2000, GM_INITIAL_FIXED, 50, nullptr, 0, 0},
    {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
};
constexpr gm_panel kControlsPanel{std::uint32_t(std::size(kControlsRows) - 1), kControlsRows};

const BiquadFilterConfig kMufflex{
    {"Mufflex", fourCc("MFLX"), 1, 1},
    BiquadType::LowPass,
    20000,
    {"Mufflex Frequency", "Mufflex Resonance"},
    &kControlsPanel,
};

class Mufflex final : public BiquadFilterPlugin {
 public:
  Mufflex(const gm_host& host, void* hostContext, const char* prefsPath)
      : BiquadFilterPlugin(kMufflex, host, hostContext, prefsPath) {}
};

constexpr gm_plugin_class kClass = PluginClass<Mufflex>::describe(
    {"$VER: Mufflex.filter 1.1 (19.11.14)", 1, 1, GM_PLUGIN_FILTER, "Filters/Mufflex.prefs"});

}  // namespace
}  // namespace gm::plugin

extern "C" GM_PLUGIN_EXPORT const gm_plugin_class* PluginQuery(uint32_t which) {
  return which == 0 ? &gm::plugin::kClass : nullptr;
}

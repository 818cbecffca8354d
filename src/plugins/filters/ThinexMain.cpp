// Thinex: the second-order high-pass filter (Mufflex's code with the high-pass formula). It keeps
// its values in a chunk with the same identifier as Mufflex's, in a file of its own.

#include <iterator>

#include "plugins/filters/BiquadFilterPlugin.h"
#include "plugins/support/FourCc.h"
#include "plugins/support/PluginClass.h"

namespace gm::plugin {
namespace {

constexpr gm_panel_row kControlsRows[] = {
    {GM_ROW_SLIDER, "Frequency:", nullptr, GM_FILTER_FREQUENCY, 20, 20000, GM_INITIAL_FIXED, 20, "%ld Hz", 0, 0},
    {GM_ROW_SLIDER, "Resonance:", nullptr, GM_FILTER_RESONANCE, 50, 2000, GM_INITIAL_FIXED, 50, nullptr, 0, 0},
    {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
};
constexpr gm_panel kControlsPanel{std::uint32_t(std::size(kControlsRows) - 1), kControlsRows};

const BiquadFilterConfig kThinex{
    {"Thinex", fourCc("MFLX"), 1, 2},
    BiquadType::HighPass,
    20,
    {"Thinex Frequency:", "Thinex Resonance:"},
    &kControlsPanel,
};

class Thinex final : public BiquadFilterPlugin {
 public:
  Thinex(const gm_host& host, void* hostContext, const char* prefsPath)
      : BiquadFilterPlugin(kThinex, host, hostContext, prefsPath) {}
};

constexpr gm_plugin_class kClass = PluginClass<Thinex>::describe(
    {"$VER: Thinex.filter 1.2 (19.11.14)", 1, 2, GM_PLUGIN_FILTER, "Filters/Thinex.prefs"});

}  // namespace
}  // namespace gm::plugin

extern "C" GM_PLUGIN_EXPORT const gm_plugin_class* PluginQuery(uint32_t which) {
  return which == 0 ? &gm::plugin::kClass : nullptr;
}

// Compiles the plug-in ABI header as C++ on its own.
#include "groovemangler_plugin.h"

#include <type_traits>

static_assert(std::is_standard_layout_v<gm_plugin_class>);
static_assert(std::is_standard_layout_v<gm_voice_state>);
static_assert(std::is_trivially_copyable_v<gm_voice_state>);
static_assert(GM_METHOD_REGISTER_EVENTS == GM_ATTR_NAME, "methods and attributes are separate name spaces");

extern "C" GM_PLUGIN_EXPORT const gm_plugin_class* gm_abi_check_cpp(uint32_t which);
const gm_plugin_class* gm_abi_check_cpp(uint32_t which) {
  static const gm_plugin_class none{GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_plugin_class), "$VER: none 1.0 (1.1.70)",
                                    1, 0, GM_PLUGIN_FILTER, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};
  return which == 0 && gm_plugin_class_is_compatible(&none) ? &none : nullptr;
}

/* Compiles the plug-in ABI header as C on its own, and checks the layout facts a plug-in relies on. */
#include "groovemangler_plugin.h"

#include <stddef.h>

_Static_assert(offsetof(gm_process_message, header) == 0, "the method id comes first");
_Static_assert(offsetof(gm_plugin_class, abi) == 0, "the ABI version comes first");
_Static_assert(offsetof(gm_host, abi) == 0, "the ABI version comes first");
_Static_assert(sizeof(gm_tag) == 8, "tags are id + value");
_Static_assert(GM_HOST_SIZE_X_0 == sizeof(gm_host), "x.0 is the whole host table today");
_Static_assert(GM_PLUGIN_CLASS_SIZE_X_0 == sizeof(gm_plugin_class), "x.0 is the whole class today");

static const gm_plugin_class* query_for_check(uint32_t which) { return which == 0 ? NULL : NULL; }

gm_plugin_query_fn gm_abi_check_c(void);
gm_plugin_query_fn gm_abi_check_c(void) {
  gm_abi_version version = GM_PLUGIN_ABI_VERSION_INIT;
  return gm_abi_version_is_compatible(version) ? &query_for_check : NULL;
}

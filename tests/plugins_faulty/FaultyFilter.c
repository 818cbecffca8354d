/* A filter that hands the host what a faulty plug-in might: a render request with a forged deck
 * handle, then one whose play state points at memory that is not the deck's track and claims a
 * huge length. A host that trusted either would read or write foreign memory. */
#include <stdint.h>
#include <string.h>

#include "groovemangler_plugin.h"

#ifndef FAULTY_PREFS_NAME
#define FAULTY_PREFS_NAME NULL
#endif

typedef struct faulty {
  const gm_host* host;
} faulty;

static const gm_panel_row end_row[] = {{GM_ROW_END, NULL, NULL, 0, 0, 0, GM_INITIAL_FIXED, 0, NULL, 0, 0}};
static const gm_panel no_rows = {0, end_row};
static faulty the_instance;

static gm_plugin* faulty_create(const gm_host* host, void* host_context, const char* prefs_path) {
  (void)host_context;
  (void)prefs_path;
  the_instance.host = host;
  return (gm_plugin*)&the_instance;
}

static void faulty_dispose(gm_plugin* plugin) { (void)plugin; }

static bool faulty_get(gm_plugin* plugin, uint32_t attribute, gm_value* out) {
  (void)plugin;
  memset(out, 0, sizeof *out);
  switch (attribute) {
    case GM_ATTR_NAME: out->kind = GM_VALUE_TEXT; out->text = "Faulty"; return true;
    case GM_ATTR_ENABLED: out->kind = GM_VALUE_INTEGER; out->integer = 1; return true;
    case GM_ATTR_CONTROLS_PANEL: out->kind = GM_VALUE_PANEL; out->panel = &no_rows; return true;
    default: return false;
  }
}

static uint32_t faulty_set(gm_plugin* plugin, const gm_tag* tags, uint32_t count) {
  (void)plugin;
  (void)tags;
  return count;
}

static uint32_t faulty_call(gm_plugin* plugin, const gm_message* message) {
  faulty* self = (faulty*)plugin;
  if (message->method_id != GM_METHOD_PROCESS) return 0;
  const gm_process_message* process = (const gm_process_message*)message;
  gm_voice_state lying = *process->state;
  lying.pcm = (const int16_t*)(uintptr_t)0x1000;
  lying.frames = INT32_MAX;
  self->host->render_from_state((gm_deck*)(uintptr_t)0xDEAD0, &lying, process->samples, process->bytes);
  self->host->render_from_state(process->deck, &lying, process->samples, process->bytes);
  return 0;
}

static const gm_plugin_class faulty_class = {
    GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_plugin_class), "$VER: Faulty.filter 1.0 (1.1.26)", 1, 0,
    GM_PLUGIN_FILTER, FAULTY_PREFS_NAME, faulty_create, faulty_dispose, faulty_get, faulty_set, faulty_call};

GM_PLUGIN_EXPORT const gm_plugin_class* PluginQuery(uint32_t which) { return which == 0 ? &faulty_class : NULL; }

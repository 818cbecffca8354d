#include "plugins/PluginHost.h"

#include <QFileInfo>

#include "control/EventList.h"
#include "audio/DeckRenderTarget.h"
#include "plugins/FilterChain.h"
#include "plugins/PluginLibrary.h"
#include "plugins/PluginObject.h"
#include "plugins/PluginRegistration.h"

namespace gm {
namespace {

void registerEvent(gm_app* app, const char* zone, const char* label, std::uint32_t type, gm_plugin* target,
                   std::uint32_t method) {
  if (app == nullptr) return;
  reinterpret_cast<PluginRegistration*>(app)->add(zone, label, type, target, method);
}

// Serves only the deck whose block the calling filter is processing, on that deck's audio thread:
// a handle from anywhere else (stale, forged, another thread) renders nothing.
void renderFromState(gm_deck* deck, const gm_voice_state* state, std::int16_t* buffer, std::uint32_t bytes) {
  DeckRenderTarget* processing = FilterChain::processingDeck();
  if (deck == nullptr || reinterpret_cast<DeckRenderTarget*>(deck) != processing || state == nullptr ||
      buffer == nullptr) {
    return;
  }
  processing->renderFromState(*state, SampleBlock::fromBytes(buffer, bytes));
}

void moveControl(void* hostContext, gm_plugin*, std::uint32_t attribute, std::int32_t value) {
  if (hostContext == nullptr) return;
  static_cast<PluginObject*>(hostContext)->moveControl(attribute, value);
}

}  // namespace

PluginHost::PluginHost(Directories directories, std::uint32_t maxBlockFrames)
    : directories_(std::move(directories)),
      table_{GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_host), maxBlockFrames, &registerEvent, &renderFromState, &moveControl} {}

std::unique_ptr<PluginObject> PluginHost::createObject(const QString& path) const {
  std::shared_ptr<PluginLibrary> library = PluginLibrary::open(path);
  if (!library) return nullptr;
  const char* prefsName = library->pluginClass().prefs_name;
  QString prefsPath;
  if (prefsName != nullptr && *prefsName != '\0') {
    prefsPath = resolve(QStringLiteral("PROGDIR:") + QString::fromUtf8(prefsName));
    // The plug-in writes its file whenever a setting changes; give it a directory to write into.
    Directories::ensureDir(QFileInfo(prefsPath).absolutePath());
  }
  return PluginObject::create(*this, std::move(library), prefsPath);
}

std::unique_ptr<PluginObject> PluginHost::createDetector() const {
  return createObject(resolve(QStringLiteral("PROGDIR:BeatDetectors/Pulsetrak.detector")));
}

}  // namespace gm

#include "plugins/PluginHost.h"

#include <QFileInfo>

#include "audio/DeckRenderTarget.h"
#include "control/EventList.h"
#include "core/CatalogTable.h"
#include "plugins/FilterChain.h"
#include "plugins/PluginDirectory.h"
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

std::uint32_t loadFile(void* hostContext, const char* path, std::uint8_t* buffer, std::uint32_t capacity) {
  if (hostContext == nullptr || path == nullptr || buffer == nullptr) return 0;
  return static_cast<PluginObject*>(hostContext)->loadPrefs(path, buffer, capacity);
}

bool saveFile(void* hostContext, const char* path, const std::uint8_t* bytes, std::uint32_t size) {
  if (hostContext == nullptr || path == nullptr || (bytes == nullptr && size > 0)) return false;
  return static_cast<PluginObject*>(hostContext)->savePrefs(path, bytes, size);
}

// A preferences name stays a plain file name in one of the plug-in folders of the home directory.
bool isPlainPrefsName(const QString& name) {
  const QString folder = name.section('/', 0, 0);
  const QString file = name.section('/', 1);
  return (folder == "Filters" || folder == "BeatDetectors") && !file.isEmpty() && !file.contains('/') &&
         !file.startsWith('.') && file.endsWith(".prefs") && file.size() > 6;
}

}  // namespace

PluginHost::PluginHost(Directories directories, std::uint32_t maxBlockFrames)
    : directories_(std::move(directories)),
      table_{GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_host), maxBlockFrames, &registerEvent, &renderFromState,
             &moveControl, &loadFile, &saveFile} {}

QStringList PluginHost::pluginFiles(const QString& directory) const {
  QStringList others;
  const QStringList files = PluginDirectory::pluginFiles(resolve(QStringLiteral("PROGDIR:") + directory), &others);
  for (const QString& other : others) refuse(other, msg(Msg::ReasonNotPluginLibrary));
  return files;
}

std::unique_ptr<PluginObject> PluginHost::createObject(const QString& path) const {
  QString error;
  std::shared_ptr<PluginLibrary> library = PluginLibrary::open(path, &error);
  if (!library) {
    refuse(path, error);
    return nullptr;
  }
  const char* prefsName = library->pluginClass().prefs_name;
  QString prefsPath;
  if (prefsName != nullptr && *prefsName != '\0') {
    prefsPath = prefsPathFor(prefsName);
    if (prefsPath.isEmpty()) {
      refuse(path, msg(Msg::ReasonPrefsOutsideFolder));
      return nullptr;
    }
  }
  std::unique_ptr<PluginObject> object = PluginObject::create(*this, std::move(library), prefsPath);
  if (!object) refuse(path, msg(Msg::ReasonFailedToStart));
  return object;
}

QString PluginHost::prefsPathFor(const char* prefsName) const {
  const QString name = QString::fromUtf8(prefsName);
  if (!isPlainPrefsName(name)) return {};
  const QString path = resolve(QStringLiteral("PROGDIR:") + name);
  // The plug-in stores its file whenever a setting changes; give it a directory to store into.
  Directories::ensureDir(QFileInfo(path).absolutePath());
  return path;
}

std::unique_ptr<PluginObject> PluginHost::createDetector() const {
  // Without the detector installed, decks simply detect no tempo.
  const QString path = resolve(QStringLiteral("PROGDIR:BeatDetectors/Pulsetrak.detector"));
  return QFileInfo::exists(path) ? createObject(path) : nullptr;
}

void PluginHost::refuse(const QString& path, const QString& reason) const {
  if (!refusedPaths_.insert(path).second) return;
  newRefusals_.append(QStringLiteral("%1 (%2)").arg(QFileInfo(path).fileName(), reason));
}

QStringList PluginHost::takeRefusals() const {
  QStringList refusals;
  refusals.swap(newRefusals_);
  return refusals;
}

void PluginHost::reportFailure(const QString& text) const {
  if (reporter_) reporter_(text);
}

}  // namespace gm

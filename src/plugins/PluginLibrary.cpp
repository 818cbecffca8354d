#include "plugins/PluginLibrary.h"

#include <dlfcn.h>

#include <map>

#include <QFile>
#include <QFileInfo>

#include "core/CatalogTable.h"
#include "plugins/ElfImage.h"

namespace gm {
namespace {

std::mutex& registryMutex() {
  static std::mutex mutex;
  return mutex;
}

// Open libraries by canonical path. Weak: the objects own their library, the registry only finds it.
std::map<QString, std::weak_ptr<PluginLibrary>>& registry() {
  static std::map<QString, std::weak_ptr<PluginLibrary>> libraries;
  return libraries;
}

void setError(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
}

QString classProblem(gm_plugin_query_fn query, const gm_plugin_class* pluginClass) {
  if (query == nullptr) return msg(Msg::ReasonNotAPlugin);
  if (pluginClass == nullptr) return msg(Msg::ReasonNoPluginClass);
  if (!gm_abi_version_is_compatible(pluginClass->abi)) {
    return msg(Msg::ReasonOtherInterface)
        .arg(pluginClass->abi.major).arg(pluginClass->abi.minor).arg(GM_PLUGIN_ABI_MAJOR);
  }
  if (!gm_plugin_class_is_compatible(pluginClass) || pluginClass->create == nullptr ||
      pluginClass->dispose == nullptr || pluginClass->get_attribute == nullptr ||
      pluginClass->set_attributes == nullptr || pluginClass->call_method == nullptr ||
      (pluginClass->kind != GM_PLUGIN_FILTER && pluginClass->kind != GM_PLUGIN_DETECTOR)) {
    return msg(Msg::ReasonDamagedPluginClass);
  }
  return {};
}

}  // namespace

PluginLibrary::PluginLibrary(void* handle, const gm_plugin_class* pluginClass, QString path)
    : handle_(handle), class_(pluginClass), path_(std::move(path)) {}

PluginLibrary::~PluginLibrary() { ::dlclose(handle_); }

std::shared_ptr<PluginLibrary> PluginLibrary::open(const QString& path, QString* error) {
  const QString canonical = QFileInfo(path).canonicalFilePath();
  if (canonical.isEmpty()) {
    setError(error, QStringLiteral("%1: no such file").arg(path));
    return nullptr;
  }
  const std::lock_guard lock(registryMutex());
  auto& libraries = registry();
  if (auto shared = libraries[canonical].lock()) return shared;

  // A file cut short would be mapped all the same, and the first touch of a missing page kills us.
  if (const QString damage = ElfImage::problem(canonical); !damage.isEmpty()) {
    setError(error, damage);
    return nullptr;
  }
  // RTLD_LOCAL: two plug-ins never see each other's symbols.
  void* handle = ::dlopen(QFile::encodeName(canonical).constData(), RTLD_NOW | RTLD_LOCAL);
  if (handle == nullptr) {
    setError(error, QString::fromLocal8Bit(::dlerror()));
    return nullptr;
  }
  auto query = reinterpret_cast<gm_plugin_query_fn>(::dlsym(handle, GM_PLUGIN_QUERY_SYMBOL));
  const gm_plugin_class* pluginClass = query != nullptr ? query(0) : nullptr;
  const QString refusal = classProblem(query, pluginClass);
  if (!refusal.isEmpty()) {
    ::dlclose(handle);
    setError(error, refusal);
    return nullptr;
  }
  std::shared_ptr<PluginLibrary> library(new PluginLibrary(handle, pluginClass, canonical));
  libraries[canonical] = library;
  return library;
}

}  // namespace gm

#pragma once
// One opened plug-in library. Objects created from the same path share it; it is closed when the
// last of them is gone, so no code or constant data of a plug-in is unloaded while an instance lives.

#include <memory>
#include <mutex>

#include <QString>

#include "groovemangler_plugin.h"

namespace gm {

class PluginLibrary {
 public:
  // [main-thread] The library at `path`, opened now or shared with its other users; nullptr (with
  // `error` set) when it cannot be loaded, lacks PluginQuery, or answers with no or an
  // incompatible class.
  static std::shared_ptr<PluginLibrary> open(const QString& path, QString* error = nullptr);
  ~PluginLibrary();
  PluginLibrary(const PluginLibrary&) = delete;
  PluginLibrary& operator=(const PluginLibrary&) = delete;

  const gm_plugin_class& pluginClass() const { return *class_; }
  const QString& path() const { return path_; }

 private:
  PluginLibrary(void* handle, const gm_plugin_class* pluginClass, QString path);

  void* handle_;
  const gm_plugin_class* class_;
  QString path_;
};

}  // namespace gm

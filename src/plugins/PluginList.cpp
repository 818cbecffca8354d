#include "plugins/PluginList.h"

#include "core/CatalogTable.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"

namespace gm {

PluginList::PluginList(const PluginHost& host, const QString& directory) : directory_(directory) { scan(host); }

PluginList::~PluginList() = default;

void PluginList::scan(const PluginHost& host) {
  for (const QString& file : host.pluginFiles(directory_)) {
    std::unique_ptr<PluginObject> plugin = host.createObject(file);
    if (!plugin) continue;
    QString name = plugin->name();
    if (name.isEmpty()) {
      host.refuse(file, msg(Msg::ReasonNoName));
      continue;
    }
    QString version = plugin->versionText();
    entries_.insert(entries_.begin(), Entry{std::move(plugin), std::move(name), std::move(version)});
  }
}

}  // namespace gm

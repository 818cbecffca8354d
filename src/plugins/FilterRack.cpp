#include "plugins/FilterRack.h"

#include "core/CatalogTable.h"
#include "plugins/FilterSlot.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"

namespace gm {

FilterRack::FilterRack(const PluginHost& host, const QString& zone) : zone_(zone) { scan(host); }

FilterRack::~FilterRack() = default;

void FilterRack::scan(const PluginHost& host) {
  for (const QString& path : host.pluginFiles(QStringLiteral("Filters"))) {
    std::unique_ptr<PluginObject> plugin = host.createObject(path);
    if (!plugin) continue;
    if (plugin->name().isEmpty()) {
      host.refuse(path, msg(Msg::ReasonNoName));
      continue;
    }
    // Disabled plug-ins stay out until the next start: racks read the flag only here.
    if (!plugin->enabled()) continue;
    std::unique_ptr<FilterSlot> slot = FilterSlot::create(std::move(plugin), zone_, chain_);
    if (slot) {
      slots_.push_back(std::move(slot));
    } else {
      host.refuse(path, msg(Msg::ReasonNoUsableControls));
    }
  }
  chain_.publish();
}

void FilterRack::registerEvents(EventList& events) {
  for (const auto& slot : slots_) slot->registerEvents(events);
}

}  // namespace gm

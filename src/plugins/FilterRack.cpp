#include "plugins/FilterRack.h"

#include "plugins/FilterSlot.h"
#include "plugins/PluginDirectory.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"

namespace gm {

FilterRack::FilterRack(const PluginHost& host, const QString& zone) : zone_(zone) { scan(host); }

FilterRack::~FilterRack() = default;

void FilterRack::scan(const PluginHost& host) {
  const QString directory = host.resolve(QStringLiteral("PROGDIR:Filters"));
  for (const QString& path : PluginDirectory::pluginFiles(directory)) {
    std::unique_ptr<PluginObject> plugin = host.createObject(path);
    if (!plugin) continue;
    // Disabled plug-ins stay out until the next start: racks read the flag only here.
    if (plugin->name().isEmpty() || !plugin->enabled()) continue;
    std::unique_ptr<FilterSlot> slot = FilterSlot::create(std::move(plugin), zone_, chain_);
    if (slot) slots_.push_back(std::move(slot));
  }
  chain_.publish();
}

void FilterRack::registerEvents(EventList& events) {
  for (const auto& slot : slots_) slot->registerEvents(events);
}

}  // namespace gm

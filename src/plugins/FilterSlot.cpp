#include "plugins/FilterSlot.h"

#include "core/CatalogTable.h"
#include "control/EventList.h"
#include "plugins/PanelModel.h"
#include "plugins/PluginObject.h"

namespace gm {

std::unique_ptr<FilterSlot> FilterSlot::create(std::unique_ptr<PluginObject> plugin, const QString& zone,
                                               FilterChain& chain) {
  if (!plugin) return nullptr;
  QString name = plugin->name();
  PanelModel* controls = plugin->controlsPanel();
  if (name.isEmpty() || controls == nullptr) return nullptr;
  FilterChain::Stage& stage = chain.append(plugin->pluginClass(), plugin->instance());
  return std::unique_ptr<FilterSlot>(new FilterSlot(std::move(plugin), *controls, std::move(name), zone, stage));
}

FilterSlot::FilterSlot(std::unique_ptr<PluginObject> plugin, PanelModel& controls, QString name, QString zone,
                       FilterChain::Stage& stage)
    : plugin_(std::move(plugin)), controlsPanel_(&controls), name_(std::move(name)), zone_(std::move(zone)), stage_(stage) {
  QObject::connect(&on_, &BoundedValue::valueChanged, &on_, [this](int value) { stage_.setOn(value != 0); });
}

FilterSlot::~FilterSlot() {
  EventList::forgetTarget(registeredWith_, this);
}

void FilterSlot::toggle(std::int32_t value) {
  if (value == 0) on_.setValue(on_.value() != 0 ? 0 : 1);
}

void FilterSlot::registerEvents(EventList& events) {
  if (registered_) return;
  registered_ = true;
  registeredWith_ = events.weakRef();
  plugin_->registerEvents(events, zone_);
  const QString label = name_ + msg(Msg::FilterOnOffSuffix);
  EventBinding& record = events.registerEvent(zone_, label, std::int32_t(GM_EVENT_TOGGLE), this, kToggleMethod);
  // Mapping files name it in the built-in language, whatever the suffix reads in the user's.
  record.nameKey = name_ + CatalogTable::builtIn(Msg::FilterOnOffSuffix);
}

void FilterSlot::invokeEvent(std::uint32_t method, std::int32_t value) {
  if (method == kToggleMethod) toggle(value);
}

}  // namespace gm

#pragma once
// One filter plug-in in a deck's rack, with its "On" switch (a BoundedValue 0..1, initially off).
// The audio thread sees only the slot's stage of the rack's filter chain, whose switch follows "On".

#include <cstdint>
#include <memory>

#include <QString>

#include "core/BoundedValue.h"
#include "control/EventTarget.h"
#include "groovemangler_plugin.h"
#include "plugins/FilterChain.h"

namespace gm {

class EventList;
class PanelModel;
class PluginObject;

class FilterSlot final : public EventTarget {
 public:
  // The slot's own event method: the "On" toggle.
  static constexpr std::uint32_t kToggleMethod = 0x8000FA02;

  // [main-thread] nullptr (disposing the plug-in object) when it has no name or no controls panel.
  // Otherwise the plug-in joins the end of `chain`, which the slot's "On" switches.
  static std::unique_ptr<FilterSlot> create(std::unique_ptr<PluginObject> plugin, const QString& zone,
                                            FilterChain& chain);
  ~FilterSlot();
  FilterSlot(const FilterSlot&) = delete;
  FilterSlot& operator=(const FilterSlot&) = delete;

  const QString& name() const { return name_; }
  const QString& zone() const { return zone_; }
  PluginObject& plugin() { return *plugin_; }
  PanelModel& controlsPanel() { return *controlsPanel_; }
  BoundedValue& on() { return on_; }

  // [any-thread] The "On" switch as the render sees it.
  bool isOn() const { return stage_.on(); }

  // [main-thread] The toggle method: 0 flips "On"; any other value does nothing.
  void toggle(std::int32_t value);
  // [main-thread] Once per slot: the plug-in's parameter events, then "<name> On/Off".
  void registerEvents(EventList& events);
  void invokeEvent(std::uint32_t method, std::int32_t value) override;

 private:
  FilterSlot(std::unique_ptr<PluginObject> plugin, PanelModel& controls, QString name, QString zone,
             FilterChain::Stage& stage);

  std::unique_ptr<PluginObject> plugin_;
  PanelModel* controlsPanel_;
  QString name_;
  QString zone_;
  BoundedValue on_{0, 1, 0};
  FilterChain::Stage& stage_;
  bool registered_ = false;
  std::weak_ptr<EventList* const> registeredWith_;  // the list holding our records, if any
};

}  // namespace gm

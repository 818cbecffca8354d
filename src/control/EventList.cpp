#include "control/EventList.h"

#include "core/CatalogTable.h"

namespace gm {

EventBinding& EventList::registerEvent(const QString& zone, const QString& name, std::int32_t type,
                                       EventTarget* target, std::uint32_t method) {
  EventBinding& record = records_.emplace_back();
  record.zone = zone;
  record.name = name;
  record.zoneKey = CatalogTable::builtInOf(zone);
  record.nameKey = CatalogTable::builtInOf(name);
  record.type = type;
  record.method = method;
  record.target = target;
  return record;
}

void EventList::forgetTarget(const EventTarget* target) {
  for (EventBinding& record : records_) {
    if (record.target == target) record.target = nullptr;
  }
}

void EventList::forgetTarget(const WeakRef& list, const EventTarget* target) {
  if (const auto alive = list.lock()) (*alive)->forgetTarget(target);
}

}  // namespace gm

#pragma once
// The live list of bindable events, in registration order. Widgets, filter slots and plug-ins
// append to it once each when they are first set up.

#include <cstdint>
#include <deque>
#include <memory>

#include <QString>

#include "control/EventBinding.h"

namespace gm {

class EventList {
 public:
  EventList() = default;
  EventList(const EventList&) = delete;
  EventList& operator=(const EventList&) = delete;

  // A reference that knows when the list is gone: targets use it to forget their records when
  // they are destroyed, whichever of the two goes first.
  using WeakRef = std::weak_ptr<EventList* const>;
  WeakRef weakRef() const { return self_; }

  // [main-thread] Appends a record built from a registration; bindings start empty. The keys are the
  // built-in texts of the zone and name when they are catalog texts, else the texts themselves.
  EventBinding& registerEvent(const QString& zone, const QString& name, std::int32_t type, EventTarget* target,
                              std::uint32_t method);
  // [main-thread] Clears the target of every record that points at `target` (which is going away).
  void forgetTarget(const EventTarget* target);
  // [main-thread] The same through a weak reference; nothing when the list no longer exists.
  static void forgetTarget(const WeakRef& list, const EventTarget* target);

  const std::deque<EventBinding>& records() const { return records_; }
  std::deque<EventBinding>& records() { return records_; }
  std::size_t size() const { return records_.size(); }

 private:
  std::deque<EventBinding> records_;  // a deque: references to records stay valid as it grows
  std::shared_ptr<EventList* const> self_ = std::make_shared<EventList* const>(this);
};

}  // namespace gm

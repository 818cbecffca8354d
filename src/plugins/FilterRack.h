#pragma once
// A deck's filter rack: one slot per enabled filter plug-in of "PROGDIR:Filters", in directory
// listing order (never re-sorted), filled once when the rack is created. The deck passes every
// rendered block through the slots that are on, in order, each seeing the previous one's output:
// the rack's filter chain is what the deck's render runs.

#include <memory>
#include <vector>

#include <QString>

#include "plugins/FilterChain.h"

namespace gm {

class EventList;
class FilterSlot;
class PluginHost;

class FilterRack {
 public:
  // [main-thread] Scans the filters directory ("Filter A" / "Filter B" as zone).
  FilterRack(const PluginHost& host, const QString& zone);
  ~FilterRack();
  FilterRack(const FilterRack&) = delete;
  FilterRack& operator=(const FilterRack&) = delete;

  const QString& zone() const { return zone_; }
  const std::vector<std::unique_ptr<FilterSlot>>& slots() const { return slots_; }

  // FilterRackProcess: what the deck's render runs over every block.
  FilterChain& chain() { return chain_; }

  // [main-thread] Registers every slot's events (each slot once in its life).
  void registerEvents(EventList& events);

 private:
  void scan(const PluginHost& host);  // FilterRackScan

  QString zone_;
  FilterChain chain_;  // outlives the slots whose plug-ins it calls
  std::vector<std::unique_ptr<FilterSlot>> slots_;
};

}  // namespace gm

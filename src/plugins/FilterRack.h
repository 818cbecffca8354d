#pragma once
// A deck's filter rack: one slot per enabled filter plug-in of "PROGDIR:Filters", in directory
// listing order (never re-sorted), filled once when the rack is created. The deck passes every
// rendered block through the slots that are on, in order, each seeing the previous one's output.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include <QString>

#include "groovemangler_plugin.h"

namespace gm {

class DeckRenderTarget;
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

  // [audio-thread] FilterRackProcess: no allocation, no lock. `state` is the deck's play state
  // copied before it rendered the block.
  void process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck, const gm_voice_state* state);

  // [main-thread] Registers every slot's events (each slot once in its life).
  void registerEvents(EventList& events);

 private:
  void scan(const PluginHost& host);  // FilterRackScan

  QString zone_;
  std::vector<std::unique_ptr<FilterSlot>> slots_;
  // What the audio thread walks: published once, after the scan, and never changed again.
  std::vector<FilterSlot*> processOrder_;
  std::atomic<bool> published_{false};
};

}  // namespace gm

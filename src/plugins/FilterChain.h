#pragma once
// The audio side of a filter rack, in plain C++: the plug-in instances in rack order, each with the
// state of its "On" switch. The rack fills it on the main thread and publishes it once; from then on
// the deck's render walks it without a lock, and only the switches change.

#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "audio/BlockFilter.h"
#include "groovemangler_plugin.h"

namespace gm {

class FilterChain final : public BlockFilter {
 public:
  // One filter of the chain.
  class Stage {
   public:
    Stage(const gm_plugin_class& pluginClass, gm_plugin* instance) : class_(pluginClass), instance_(instance) {}
    // [main-thread]
    void setOn(bool on) { on_.store(on, std::memory_order_release); }
    // [any-thread]
    bool on() const { return on_.load(std::memory_order_acquire); }
    // [audio-thread] PluginProcess on the instance.
    void process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck, const gm_voice_state* state) const;

   private:
    const gm_plugin_class& class_;
    gm_plugin* const instance_;
    std::atomic<bool> on_{false};
  };

  FilterChain() = default;
  FilterChain(const FilterChain&) = delete;
  FilterChain& operator=(const FilterChain&) = delete;

  // [main-thread, before publish()] Appends a filter, initially off. The instance must outlive
  // the chain's use by the render.
  Stage& append(const gm_plugin_class& pluginClass, gm_plugin* instance);
  // [main-thread] From now on the render may walk the chain; nothing is appended any more.
  void publish() { published_.store(true, std::memory_order_release); }

  // [audio-thread] Passes the block through every stage that is on, in order.
  void process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck,
               const gm_voice_state* stateBefore) override;

  // [audio-thread] The deck whose block a filter of a chain processes on this thread right now;
  // nullptr outside such a call. The host's render callback serves this deck only.
  static DeckRenderTarget* processingDeck();

 private:
  std::vector<std::unique_ptr<Stage>> stages_;
  std::atomic<bool> published_{false};
};

}  // namespace gm

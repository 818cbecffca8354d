#include "plugins/FilterChain.h"

namespace gm {
namespace {

thread_local DeckRenderTarget* tProcessingDeck = nullptr;

// Sets the processing deck for the length of one filter call, restoring the previous one after it.
class ProcessingDeckScope {
 public:
  explicit ProcessingDeckScope(DeckRenderTarget* deck) : previous_(tProcessingDeck) { tProcessingDeck = deck; }
  ~ProcessingDeckScope() { tProcessingDeck = previous_; }
  ProcessingDeckScope(const ProcessingDeckScope&) = delete;
  ProcessingDeckScope& operator=(const ProcessingDeckScope&) = delete;

 private:
  DeckRenderTarget* previous_;
};

}  // namespace

void FilterChain::Stage::process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck,
                                 const gm_voice_state* state) const {
  gm_process_message message{{GM_METHOD_PROCESS}, samples, bytes, reinterpret_cast<gm_deck*>(deck), state};
  class_.call_method(instance_, &message.header);
}

FilterChain::Stage& FilterChain::append(const gm_plugin_class& pluginClass, gm_plugin* instance) {
  stages_.push_back(std::make_unique<Stage>(pluginClass, instance));
  return *stages_.back();
}

void FilterChain::process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck,
                          const gm_voice_state* stateBefore) {
  if (!published_.load(std::memory_order_acquire)) return;
  const ProcessingDeckScope scope(deck);
  for (const auto& stage : stages_) {
    if (stage->on()) stage->process(samples, bytes, deck, stateBefore);
  }
}

DeckRenderTarget* FilterChain::processingDeck() { return tProcessingDeck; }

}  // namespace gm

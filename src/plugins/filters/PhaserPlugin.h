#pragma once
// Phaser: mixes the deck's block with a second rendering of the deck's track read at a time offset
// that swings with a slow sine (the LFO). The second rendering comes from the host
// (render_from_state) into a scratch block sized at creation from the host's largest block.
//
// Hand-over: delay and rate are single words (atomics) read once per block; the phase belongs to
// the audio thread.

#include <atomic>
#include <cstdint>
#include <vector>

#include "plugins/support/PluginBase.h"

namespace gm::plugin {

class PhaserPlugin final : public PluginBase {
 public:
  static constexpr std::int32_t kDefaultDelayMs = 20;
  static constexpr std::int32_t kDefaultRateMilliHz = 100;
  static constexpr SliderRange kDelayRange{0, 20};
  static constexpr SliderRange kRateRange{0, 1000};

  PhaserPlugin(const gm_host& host, void* hostContext, const char* prefsPath);

  // The time offset in frames for a phase and delay: truncate(sin(phase) × delay / 20 × 441).
  static std::int32_t offsetFrames(float phaseRadians, std::int32_t delayMs);
  // The phase after one block at `rateMilliHz`, kept within [0, 2π) (see the .cpp for why).
  static float advancePhase(float phaseRadians, std::int32_t rateMilliHz);

 protected:
  bool getOwnAttribute(std::uint32_t id, gm_value& out) override;
  SetOutcome setOwnAttribute(std::uint32_t id, std::int32_t value) override;
  std::uint32_t callOwnMethod(const gm_message& message) override;
  const gm_panel& prefsPanel() const override;
  const gm_panel* controlsPanel() const override;

 private:
  void process(const gm_process_message& message);                 // [audio-thread]
  void registerEvents(const gm_register_events_message& message);  // [main-thread]

  std::atomic<std::int32_t> delayMs_{kDefaultDelayMs};
  std::atomic<std::int32_t> rateMilliHz_{kDefaultRateMilliHz};
  float phaseRadians_ = 0.0f;        // audio thread only
  std::vector<std::int16_t> other_;  // scratch for the second rendering, sized at creation
};

}  // namespace gm::plugin

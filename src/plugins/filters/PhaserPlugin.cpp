#include "plugins/filters/PhaserPlugin.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <limits>
#include <numbers>

#include "plugins/support/FourCc.h"

namespace gm::plugin {
namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

constexpr gm_panel_row kControlsRows[] = {
    {GM_ROW_SLIDER, "Phase Delay:", nullptr, GM_PHASER_DELAY, 0, 20, GM_INITIAL_FIXED, 20, "%ld ms", 0, 0},
    {GM_ROW_SLIDER, "LFO:", nullptr, GM_PHASER_LFO, 0, 1000, GM_INITIAL_FIXED, 100, "%ld mHz", 0, 0},
    {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
};
constexpr gm_panel kControlsPanel{std::uint32_t(std::size(kControlsRows) - 1), kControlsRows};

constexpr PluginIdentity kIdentity{"Phaser", fourCc("PHAZ"), 1, 2};

std::int32_t saturatedSum(std::int32_t position, std::int32_t offset) {
  const std::int64_t sum = std::int64_t(position) + offset;
  return std::int32_t(std::clamp<std::int64_t>(sum, std::numeric_limits<std::int32_t>::min(),
                                               std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

PhaserPlugin::PhaserPlugin(const gm_host& host, void* hostContext, const char* prefsPath)
    : PluginBase(host, hostContext, prefsPath, kIdentity), other_(std::size_t(host.max_block_frames) * 2) {}

const gm_panel& PhaserPlugin::prefsPanel() const { return usePluginPanel(); }

const gm_panel* PhaserPlugin::controlsPanel() const { return &kControlsPanel; }

std::int32_t PhaserPlugin::offsetFrames(float phaseRadians, std::int32_t delayMs) {
  const double offset = std::trunc(std::sin(double(phaseRadians)) * (double(delayMs) / 20.0) * 441.0);
  // Delays far beyond the slider's range are not clamped, but must not overflow the conversion.
  return std::int32_t(std::clamp(offset, -2147483648.0, 2147483647.0));
}

float PhaserPlugin::advancePhase(float phaseRadians, std::int32_t rateMilliHz) {
  double next = double(phaseRadians) + (double(rateMilliHz) / 1000.0) * kTwoPi / 500.0;
  // An ever-growing float phase loses the LFO's step to rounding: after a night of play the rate is
  // off by several percent, and after days the phase stops moving. Wrapping by whole turns keeps
  // the sine; until the first wrap the phase is the same number as without wrapping.
  if (next >= kTwoPi || next < 0.0) {
    next = std::fmod(next, kTwoPi);
    if (next < 0.0) next += kTwoPi;
  }
  const float stored = float(next);
  return stored < float(kTwoPi) ? stored : 0.0f;
}

bool PhaserPlugin::getOwnAttribute(std::uint32_t id, gm_value& out) {
  if (id == GM_PHASER_DELAY) {
    out = integerValue(delayMs_.load(std::memory_order_relaxed));
    return true;
  }
  if (id == GM_PHASER_LFO) {
    out = integerValue(rateMilliHz_.load(std::memory_order_relaxed));
    return true;
  }
  return false;
}

PluginBase::SetOutcome PhaserPlugin::setOwnAttribute(std::uint32_t id, std::int32_t value) {
  if (id == GM_PHASER_DELAY) {
    delayMs_.store(value, std::memory_order_relaxed);
  } else if (id == GM_PHASER_LFO) {
    rateMilliHz_.store(value, std::memory_order_relaxed);
  } else {
    return SetOutcome::Unknown;
  }
  return SetOutcome::EndsTagList;
}

std::uint32_t PhaserPlugin::callOwnMethod(const gm_message& message) {
  switch (message.method_id) {
    case GM_METHOD_PROCESS:
      process(reinterpret_cast<const gm_process_message&>(message));
      return 0;
    case GM_METHOD_REGISTER_EVENTS:
      registerEvents(reinterpret_cast<const gm_register_events_message&>(message));
      return 0;
    case GM_PHASER_DELAY:
      return moveSlider(GM_PHASER_DELAY, kDelayRange, message);
    case GM_PHASER_LFO:
      return moveSlider(GM_PHASER_LFO, kRateRange, message);
    default:
      return 0;
  }
}

void PhaserPlugin::process(const gm_process_message& message) {
  const std::uint32_t frames = message.bytes / 4;
  // Without scratch room for the block (larger than the host promised) the block passes unchanged.
  if (message.samples == nullptr || message.state == nullptr || host().render_from_state == nullptr ||
      std::size_t(frames) * 2 > other_.size()) {
    return;
  }
  gm_voice_state shifted = *message.state;
  shifted.position = saturatedSum(shifted.position, offsetFrames(phaseRadians_, delayMs_.load(std::memory_order_relaxed)));
  phaseRadians_ = advancePhase(phaseRadians_, rateMilliHz_.load(std::memory_order_relaxed));
  host().render_from_state(message.deck, &shifted, other_.data(), frames * 4);
  std::int16_t* samples = message.samples;
  for (std::size_t index = 0; index < std::size_t(frames) * 2; ++index) {
    const float sum = float(samples[index]) + float(other_[index]);
    samples[index] = std::int16_t(sum * 0.5f);
  }
}

void PhaserPlugin::registerEvents(const gm_register_events_message& message) {
  if (host().register_event == nullptr) return;
  host().register_event(message.app, message.zone, "Phase delay", GM_EVENT_ANALOG, handle(), GM_PHASER_DELAY);
  host().register_event(message.app, message.zone, "Low frequency oscillator", GM_EVENT_ANALOG, handle(),
                        GM_PHASER_LFO);
}

}  // namespace gm::plugin

#include "plugins/filters/BiquadFilterPlugin.h"

namespace gm::plugin {
BiquadFilterPlugin::BiquadFilterPlugin(const BiquadFilterConfig& config, const gm_host& host, void* hostContext,
                                       const char* prefsPath)
    : PluginBase(host, hostContext, prefsPath, config.identity),
      config_(config),
      frequencyHz_(config.defaultFrequencyHz),
      q_(float(kDefaultResonance) / 100.0f),
      coefficients_(designBiquad(config.type, config.defaultFrequencyHz, q_)) {}

void BiquadFilterPlugin::publishCoefficients() {
  coefficients_.back() = designBiquad(config_.type, frequencyHz_, q_);
  coefficients_.publish();
}

bool BiquadFilterPlugin::getOwnAttribute(std::uint32_t id, gm_value& out) {
  if (id == GM_FILTER_FREQUENCY) {
    out = integerValue(frequencyHz_);
    return true;
  }
  if (id == GM_FILTER_RESONANCE) {
    out = integerValue(std::int32_t(q_ * 100.0f + 0.5f));
    return true;
  }
  return false;
}

PluginBase::SetOutcome BiquadFilterPlugin::setOwnAttribute(std::uint32_t id, std::int32_t value) {
  if (id == GM_FILTER_FREQUENCY) {
    frequencyHz_ = value;  // not clamped: the slider bounds it
  } else if (id == GM_FILTER_RESONANCE) {
    q_ = float(std::uint32_t(value)) / 100.0f;
  } else {
    return SetOutcome::Unknown;
  }
  publishCoefficients();
  return SetOutcome::EndsTagList;
}

std::uint32_t BiquadFilterPlugin::callOwnMethod(const gm_message& message) {
  switch (message.method_id) {
    case GM_METHOD_PROCESS:
      process(reinterpret_cast<const gm_process_message&>(message));
      return 0;
    case GM_METHOD_REGISTER_EVENTS:
      registerEvents(reinterpret_cast<const gm_register_events_message&>(message));
      return 0;
    case GM_FILTER_FREQUENCY:
      return moveSlider(GM_FILTER_FREQUENCY, kFrequencyRange, message);
    case GM_FILTER_RESONANCE:
      return moveSlider(GM_FILTER_RESONANCE, kResonanceRange, message);
    default:
      return 0;
  }
}

void BiquadFilterPlugin::process(const gm_process_message& message) {
  if (message.samples == nullptr) return;
  const BiquadCoefficients& k = coefficients_.read();
  processBiquadBlock(k, left_, right_, message.samples, message.bytes / 4);
}

void BiquadFilterPlugin::registerEvents(const gm_register_events_message& message) {
  if (host().register_event == nullptr) return;
  host().register_event(message.app, message.zone, config_.texts.frequencyEvent, GM_EVENT_ANALOG, handle(),
                        GM_FILTER_FREQUENCY);
  host().register_event(message.app, message.zone, config_.texts.resonanceEvent, GM_EVENT_ANALOG, handle(),
                        GM_FILTER_RESONANCE);
}

}  // namespace gm::plugin

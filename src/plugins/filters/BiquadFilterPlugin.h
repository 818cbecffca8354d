#pragma once
// Mufflex and Thinex: one second-order filter plug-in whose low-pass and high-pass flavours differ
// only in the coefficient formula, the default frequency and the texts.
//
// Hand-over: frequency and Q are set on the main thread, which designs the coefficient set there
// and publishes it through a triple buffer; the audio thread picks up the latest complete set at
// the start of each block, so it never sees half of one set and half of another. The history
// belongs to the audio thread alone and survives every parameter change.

#include <cstdint>

#include "plugins/filters/Biquad.h"
#include "plugins/support/PluginBase.h"
#include "plugins/support/TripleBuffer.h"

namespace gm::plugin {

struct BiquadFilterTexts {
  const char* frequencyEvent;  // event labels
  const char* resonanceEvent;
};

struct BiquadFilterConfig {
  PluginIdentity identity;
  BiquadType type;
  std::int32_t defaultFrequencyHz;
  BiquadFilterTexts texts;
  const gm_panel* controlsPanel;  // built once per flavour, with that flavour's default
};

class BiquadFilterPlugin : public PluginBase {
 public:
  static constexpr std::int32_t kDefaultResonance = 50;  // Q × 100
  static constexpr SliderRange kFrequencyRange{20, 20000};
  static constexpr SliderRange kResonanceRange{50, 2000};

  BiquadFilterPlugin(const BiquadFilterConfig& config, const gm_host& host, void* hostContext, const char* prefsPath);

 protected:
  bool getOwnAttribute(std::uint32_t id, gm_value& out) override;
  SetOutcome setOwnAttribute(std::uint32_t id, std::int32_t value) override;
  std::uint32_t callOwnMethod(const gm_message& message) override;
  const gm_panel& prefsPanel() const override { return usePluginPanel(); }
  const gm_panel* controlsPanel() const override { return config_.controlsPanel; }

 private:
  void publishCoefficients();                                 // [main-thread]
  void process(const gm_process_message& message);           // [audio-thread]
  void registerEvents(const gm_register_events_message& message);  // [main-thread]

  const BiquadFilterConfig& config_;
  std::int32_t frequencyHz_;                 // main thread only
  float q_;                                  // main thread only
  TripleBuffer<BiquadCoefficients> coefficients_;
  BiquadHistory left_;                       // audio thread only
  BiquadHistory right_;                      // audio thread only
};

}  // namespace gm::plugin

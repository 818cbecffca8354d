#pragma once
// Pulsetrak: the beat detector. Its settings (steps, length, enabled) live in its preferences file
// and are read at the start of every detection, which runs on the deck's loader thread.

#include <cstdint>

#include "plugins/support/PluginBase.h"

namespace gm::plugin {

class PulsetrakPlugin final : public PluginBase {
 public:
  static constexpr std::int32_t kDefaultSteps = 15;
  static constexpr std::int32_t kDefaultLengthSeconds = 2;

  PulsetrakPlugin(const gm_host& host, void* hostContext, const char* prefsPath);
  ~PulsetrakPlugin() override;

 protected:
  bool getOwnAttribute(std::uint32_t id, gm_value& out) override;
  SetOutcome setOwnAttribute(std::uint32_t id, std::int32_t value) override;
  std::uint32_t callOwnMethod(const gm_message& message) override;
  const gm_panel& prefsPanel() const override;

 private:
  std::uint32_t detectTempo(const gm_detect_tempo_message& message);  // [loader-thread]
};

}  // namespace gm::plugin

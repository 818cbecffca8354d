#include "plugins/detectors/PulsetrakPlugin.h"

#include <iterator>

#include "plugins/detectors/TempoAnalysis.h"
#include "plugins/support/FourCc.h"

namespace gm::plugin {
namespace {

constexpr std::uint32_t kStepsItem = fourCc("BDST");
constexpr std::uint32_t kLengthItem = fourCc("BDLE");
constexpr PluginIdentity kIdentity{"Pulsetrak Detector", fourCc("BAZC"), 1, 1};

constexpr gm_panel_row kPrefsRows[] = {
    {GM_ROW_SPACER, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_TEXT, "This is a Pulsetrak detection plugin.\nIt works well with regular and well defined beats.",
     nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_SPACER, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_CHECK, "Use plugin", nullptr, GM_ATTR_ENABLED, 0, 1, GM_INITIAL_CURRENT, 0, nullptr, 33, 66},
    {GM_ROW_SLIDER, "Sampling Length:", "Sampling time in second used for tempo analysis.", GM_DETECTOR_LENGTH, 2,
     10, GM_INITIAL_CURRENT, 0, "%ld seconds", 33, 66},
    {GM_ROW_SLIDER, "Sampling Steps:", "Number of sampling steps done over the music.", GM_DETECTOR_STEPS, 5, 30,
     GM_INITIAL_CURRENT, 0, "%ld steps", 33, 66},
    {GM_ROW_SPACER, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
};
constexpr gm_panel kPrefsPanel{std::uint32_t(std::size(kPrefsRows) - 1), kPrefsRows};

}  // namespace

PulsetrakPlugin::PulsetrakPlugin(const gm_host& host, void* hostContext, const char* prefsPath)
    : PluginBase(host, hostContext, prefsPath, kIdentity) {}

PulsetrakPlugin::~PulsetrakPlugin() {
  // Every set already wrote the file. Writing it again unconditionally would let a deck's detector,
  // disposed at exit, overwrite what the user just chose on the settings page with its stale copy;
  // only values this instance could not write yet are written.
  writePrefsIfChanged();
}

const gm_panel& PulsetrakPlugin::prefsPanel() const { return kPrefsPanel; }

bool PulsetrakPlugin::getOwnAttribute(std::uint32_t id, gm_value& out) {
  if (id == GM_DETECTOR_STEPS) {
    out = integerValue(dataspace().valueOr(kStepsItem, kDefaultSteps));
    return true;
  }
  if (id == GM_DETECTOR_LENGTH) {
    out = integerValue(dataspace().valueOr(kLengthItem, kDefaultLengthSeconds));
    return true;
  }
  return false;
}

PluginBase::SetOutcome PulsetrakPlugin::setOwnAttribute(std::uint32_t id, std::int32_t value) {
  if (id == GM_DETECTOR_STEPS) {
    dataspace().set(kStepsItem, value);
  } else if (id == GM_DETECTOR_LENGTH) {
    dataspace().set(kLengthItem, value);
  } else {
    return SetOutcome::Unknown;
  }
  writePrefs();
  return SetOutcome::Handled;
}

std::uint32_t PulsetrakPlugin::callOwnMethod(const gm_message& message) {
  if (message.method_id != GM_METHOD_DETECT_TEMPO) return 0;
  return detectTempo(reinterpret_cast<const gm_detect_tempo_message&>(message));
}

std::uint32_t PulsetrakPlugin::detectTempo(const gm_detect_tempo_message& message) {
  if (!enabled()) return 0;
  const std::int32_t lengthSeconds = dataspace().valueOr(kLengthItem, kDefaultLengthSeconds);
  const std::int32_t steps = dataspace().valueOr(kStepsItem, kDefaultSteps);
  return TempoAnalysis::detect(message.samples, message.frames, steps, lengthSeconds);
}

}  // namespace gm::plugin

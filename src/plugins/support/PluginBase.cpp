#include "plugins/support/PluginBase.h"

#include <cmath>
#include <iterator>
#include <limits>

#include "plugins/support/FourCc.h"
#include "plugins/support/PrefsFile.h"

namespace gm::plugin {
namespace {

constexpr std::uint32_t kEnabledItem = fourCc("USEP");

constexpr gm_panel_row kUsePluginRows[] = {
    {GM_ROW_SPACER, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_CHECK, "Use plugin", nullptr, GM_ATTR_ENABLED, 0, 1, GM_INITIAL_CURRENT, 0, nullptr, 33, 66},
    {GM_ROW_SPACER, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
    {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
};
constexpr gm_panel kUsePluginPanel{std::uint32_t(std::size(kUsePluginRows) - 1), kUsePluginRows};

}  // namespace

std::int32_t sliderValueFromNormalised(SliderRange range, std::int32_t normalised) {
  const double offset = std::trunc(double(range.maximum - range.minimum) * normalised / 65536.0);
  const double value = double(range.minimum) + offset;
  // Only a hostile value gets near these; the host clamps to the slider's range anyway.
  if (value > double(std::numeric_limits<std::int32_t>::max())) return std::numeric_limits<std::int32_t>::max();
  if (value < double(std::numeric_limits<std::int32_t>::min())) return std::numeric_limits<std::int32_t>::min();
  return std::int32_t(value);
}

PluginBase::PluginBase(const gm_host& host, void* hostContext, const char* prefsPath, const PluginIdentity& identity)
    : host_(host), hostContext_(hostContext), prefsPath_(prefsPath ? prefsPath : ""), identity_(identity) {
  if (loadPrefs()) storedBody_ = dataspace_.serialise();
}

const gm_panel& PluginBase::usePluginPanel() { return kUsePluginPanel; }

gm_value PluginBase::integerValue(std::int32_t value) {
  gm_value result{};
  result.kind = GM_VALUE_INTEGER;
  result.integer = value;
  return result;
}

bool PluginBase::getAttribute(std::uint32_t id, gm_value& out) {
  switch (id) {
    case GM_ATTR_NAME:
      out = gm_value{};
      out.kind = GM_VALUE_TEXT;
      out.text = identity_.name;
      return true;
    case GM_ATTR_ENABLED:
      out = integerValue(enabled() ? 1 : 0);
      return true;
    case GM_ATTR_VERSION:
      out = integerValue(std::int32_t(identity_.version));
      return true;
    case GM_ATTR_REVISION:
      out = integerValue(std::int32_t(identity_.revision));
      return true;
    case GM_ATTR_PREFS_PANEL:
      prefsPanelCreated_ = true;
      out = gm_value{};
      out.kind = GM_VALUE_PANEL;
      out.panel = &prefsPanel();
      return true;
    case GM_ATTR_CONTROLS_PANEL: {
      const gm_panel* panel = controlsPanel();
      if (panel == nullptr) return false;
      controlsPanelCreated_ = true;
      out = gm_value{};
      out.kind = GM_VALUE_PANEL;
      out.panel = panel;
      return true;
    }
    default:
      return getOwnAttribute(id, out);
  }
}

std::uint32_t PluginBase::setAttributes(const gm_tag* tags, std::uint32_t count) {
  if (tags == nullptr) return 0;
  for (std::uint32_t index = 0; index < count; ++index) {
    const gm_tag& tag = tags[index];
    if (tag.id == GM_ATTR_ENABLED) {
      dataspace_.set(kEnabledItem, tag.value != 0 ? 1 : 0);
      writePrefs();
      continue;
    }
    if (setOwnAttribute(tag.id, tag.value) == SetOutcome::EndsTagList) return index + 1;
  }
  return count;
}

std::uint32_t PluginBase::callMethod(const gm_message& message) { return callOwnMethod(message); }

bool PluginBase::getOwnAttribute(std::uint32_t, gm_value&) { return false; }

PluginBase::SetOutcome PluginBase::setOwnAttribute(std::uint32_t, std::int32_t) { return SetOutcome::Unknown; }

std::uint32_t PluginBase::callOwnMethod(const gm_message&) { return 0; }

bool PluginBase::enabled() const { return dataspace_.valueOr(kEnabledItem, 1) != 0; }

bool PluginBase::loadPrefs() {
  if (prefsPath_.empty() || host_.load_file == nullptr) return false;
  std::vector<std::uint8_t> file(PrefsFile::kMaxBytes);
  const std::uint32_t size = host_.load_file(hostContext_, prefsPath_.c_str(), file.data(), PrefsFile::kMaxBytes);
  return size > 0 && size <= PrefsFile::kMaxBytes &&
         PrefsFile::parse(std::span(file.data(), size), identity_.chunkId, dataspace_);
}

bool PluginBase::writePrefs() {
  if (prefsPath_.empty() || host_.save_file == nullptr) return false;
  const std::vector<std::uint8_t> file = PrefsFile::image(identity_.chunkId, dataspace_);
  if (!host_.save_file(hostContext_, prefsPath_.c_str(), file.data(), std::uint32_t(file.size()))) return false;
  storedBody_ = dataspace_.serialise();
  return true;
}

bool PluginBase::writePrefsIfChanged() {
  if (dataspace_.serialise() == storedBody_) return true;
  return writePrefs();
}

std::uint32_t PluginBase::moveSlider(std::uint32_t attribute, SliderRange range, const gm_message& message) {
  if (!controlsPanelCreated_ || host_.move_control == nullptr) return 0;
  const auto& parameter = reinterpret_cast<const gm_parameter_message&>(message);
  host_.move_control(hostContext_, handle(), attribute, sliderValueFromNormalised(range, parameter.normalised));
  return 0;
}

}  // namespace gm::plugin

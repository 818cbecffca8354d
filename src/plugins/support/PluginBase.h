#pragma once
// What every plug-in shares: the name, version and revision, the preferences file with its enabled
// flag ("USEP", TRUE when none is stored, written at once on every set), the panels' "requested"
// state, and the parameter method that moves the controls panel's slider through the host.
// Concrete plug-ins add their attributes, methods and panels through the virtual hooks.

#include <cstdint>
#include <string>
#include <vector>

#include "groovemangler_plugin.h"
#include "plugins/support/Dataspace.h"

namespace gm::plugin {

struct PluginIdentity {
  const char* name;          // PluginName
  std::uint32_t chunkId;     // the plug-in's chunk in its preferences file
  std::uint32_t version;
  std::uint32_t revision;
};

// A slider of the controls panel: the range the normalised parameter method maps onto.
struct SliderRange {
  std::int32_t minimum;
  std::int32_t maximum;
};

// minimum + truncate((maximum − minimum) × normalised / 65536), in double precision.
std::int32_t sliderValueFromNormalised(SliderRange range, std::int32_t normalised);

class PluginBase {
 public:
  PluginBase(const gm_host& host, void* hostContext, const char* prefsPath, const PluginIdentity& identity);
  virtual ~PluginBase() = default;
  PluginBase(const PluginBase&) = delete;
  PluginBase& operator=(const PluginBase&) = delete;

  // The protocol entry points of the class descriptor.
  bool getAttribute(std::uint32_t id, gm_value& out);                 // [main-thread]
  std::uint32_t setAttributes(const gm_tag* tags, std::uint32_t count);  // [main-thread]
  std::uint32_t callMethod(const gm_message& message);                 // see the message's tag

  gm_plugin* handle() { return reinterpret_cast<gm_plugin*>(this); }
  static PluginBase* fromHandle(gm_plugin* plugin) { return reinterpret_cast<PluginBase*>(plugin); }

 protected:
  enum class SetOutcome { Unknown, Handled, EndsTagList };

  virtual bool getOwnAttribute(std::uint32_t id, gm_value& out);
  virtual SetOutcome setOwnAttribute(std::uint32_t id, std::int32_t value);
  virtual std::uint32_t callOwnMethod(const gm_message& message);
  virtual const gm_panel& prefsPanel() const = 0;
  virtual const gm_panel* controlsPanel() const { return nullptr; }

  // [any-thread] The stored flag, TRUE when none is stored.
  bool enabled() const;
  Dataspace& dataspace() { return dataspace_; }
  // [main-thread] Writes the preferences file from the dataspace; false on failure.
  bool writePrefs();
  const gm_host& host() const { return host_; }
  bool controlsPanelCreated() const { return controlsPanelCreated_; }

  // [main-thread] The parameter method: asks the host to move the slider for `attribute`; does
  // nothing before the controls panel was requested. Returns 0.
  std::uint32_t moveSlider(std::uint32_t attribute, SliderRange range, const gm_message& message);

  static gm_value integerValue(std::int32_t value);
  // The preferences panel of the filters: the "Use plugin" check mark between two spacers.
  static const gm_panel& usePluginPanel();
  // [main-thread] Writes the preferences file unless it already holds what the dataspace holds
  // (as far as this instance knows: what it loaded or last wrote).
  bool writePrefsIfChanged();

 private:
  // [main-thread] Fills the dataspace from the preferences file, through the host.
  bool loadPrefs();

  const gm_host& host_;
  void* const hostContext_;
  const std::string prefsPath_;
  const PluginIdentity identity_;
  Dataspace dataspace_;
  std::vector<std::uint8_t> storedBody_;  // the dataspace as last loaded or written
  bool controlsPanelCreated_ = false;
  bool prefsPanelCreated_ = false;
};

}  // namespace gm::plugin

#pragma once
// One plug-in instance seen from the program: its library (kept loaded while the instance lives),
// the typed calls of the protocol, and the models of its panels. Destroying it disposes the
// instance, then releases the library.

#include <cstdint>
#include <memory>
#include <optional>

#include <QString>

#include "control/EventTarget.h"
#include "groovemangler_plugin.h"

namespace gm {

class EventList;
class PanelModel;
class PluginHost;
class PluginLibrary;

class PluginObject final : public EventTarget {
 public:
  // [main-thread] nullptr when create() fails.
  static std::unique_ptr<PluginObject> create(const PluginHost& host, std::shared_ptr<PluginLibrary> library,
                                              const QString& prefsPath);
  ~PluginObject();
  PluginObject(const PluginObject&) = delete;
  PluginObject& operator=(const PluginObject&) = delete;

  // [main-thread] Attributes.
  QString name() const;  // empty when the plug-in has none
  bool enabled() const;  // PluginEnabled; false when the plug-in does not answer
  void setEnabled(bool enabled);
  std::optional<std::int32_t> integerAttribute(std::uint32_t attribute) const;
  // Sets one attribute; returns the number of tags the plug-in processed (0 or 1).
  std::uint32_t setAttribute(std::uint32_t attribute, std::int32_t value);
  std::uint32_t version() const;
  std::uint32_t revision() const;
  QString versionText() const;  // "%ld.%ld" of version and revision
  gm_plugin_kind kind() const;
  const QString& libraryPath() const;

  // [main-thread] The panels' models, built on first use (which is when the plug-in creates the
  // panel); nullptr when the plug-in has no such panel.
  PanelModel* prefsPanel();
  PanelModel* controlsPanel();

  // The instance as the render calls it (PluginProcess goes through a filter chain's stage).
  const gm_plugin_class& pluginClass() const { return class_; }
  gm_plugin* instance() const { return instance_; }
  // [main-thread] PluginRegisterEvents: the plug-in's events are appended to `events` with this
  // object as their target. Forgotten again when this object goes away.
  void registerEvents(EventList& events, const QString& zone);
  // [loader-thread] DetectTempo: tempo × 100, or 0.
  std::uint32_t detectTempo(const std::int16_t* samples, std::uint32_t frames);
  // [main-thread] A bound event: the plug-in's method with one value (a parameter's normalised value).
  void invokeEvent(std::uint32_t method, std::int32_t value) override;

  // [main-thread] From the host table: the plug-in moves a control of its controls panel.
  void moveControl(std::uint32_t attribute, std::int32_t value);
  // [main-thread] From the host table: reads the plug-in's preferences file, which must be the one
  // it was given, into `buffer`; its size, or 0 when it is missing, no plain file or too large.
  std::uint32_t loadPrefs(const char* path, std::uint8_t* buffer, std::uint32_t capacity) const;
  // [main-thread] From the host table: stores the plug-in's preferences file, which must be the one
  // it was given. A failure is reported to the user; false then.
  bool savePrefs(const char* path, const std::uint8_t* bytes, std::uint32_t size);

 private:
  PluginObject(const PluginHost& host, std::shared_ptr<PluginLibrary> library, QString prefsPath);
  std::optional<gm_value> attribute(std::uint32_t id) const;
  std::unique_ptr<PanelModel> makePanel(std::uint32_t attribute);

  std::shared_ptr<PluginLibrary> library_;  // destroyed last
  const gm_plugin_class& class_;
  gm_plugin* instance_ = nullptr;
  const PluginHost& host_;
  const QString prefsPath_;
  std::unique_ptr<PanelModel> prefsPanel_;
  std::unique_ptr<PanelModel> controlsPanel_;
  std::weak_ptr<EventList* const> registeredWith_;  // the list holding our records, if any
};

}  // namespace gm

#pragma once
// Shared by the plug-in tests: the real plug-in files of the build tree, a raw ABI instance with a
// recording host table, and a test deck that renders a known track.

#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "groovemangler_plugin.h"
#include "audio/DeckRenderTarget.h"

namespace gm::testing {

// <program directory of the build>/<relative>, e.g. "Filters/Mufflex.filter".
QString builtPlugin(const QString& relative);
// Copies a built plug-in to `destination` (any file name); false on failure.
bool copyPlugin(const QString& relative, const QString& destination);
std::vector<std::uint8_t> fileBytes(const QString& path);

// One instance created straight through the C ABI (dlopen, PluginQuery, create), with a host
// table that records what the plug-in asks of the host.
class RawPlugin {
 public:
  struct MovedControl {
    std::uint32_t attribute;
    std::int32_t value;
  };
  struct Registration {
    std::string zone;
    std::string label;
    std::uint32_t type;
    gm_plugin* target;
    std::uint32_t method;
  };

  RawPlugin(const QString& libraryPath, const std::string& prefsPath, std::uint32_t maxBlockFrames = 4096);
  ~RawPlugin();
  RawPlugin(const RawPlugin&) = delete;
  RawPlugin& operator=(const RawPlugin&) = delete;

  bool loaded() const { return instance_ != nullptr; }
  const gm_plugin_class& pluginClass() const { return *class_; }
  gm_plugin* instance() const { return instance_; }

  std::int32_t integer(std::uint32_t attribute) const;
  const char* text(std::uint32_t attribute) const;
  const gm_panel* panel(std::uint32_t attribute) const;
  std::uint32_t set(std::vector<gm_tag> tags);
  std::uint32_t callParameter(std::uint32_t id, std::int32_t normalised);
  void process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck = nullptr,
               const gm_voice_state* state = nullptr);
  std::uint32_t detectTempo(const std::int16_t* samples, std::uint32_t frames);
  void registerEvents(const char* zone);

  std::vector<MovedControl> moved;
  std::vector<Registration> registrations;

 private:
  static void onRegister(gm_app*, const char*, const char*, std::uint32_t, gm_plugin*, std::uint32_t);
  static void onRender(gm_deck*, const gm_voice_state*, std::int16_t*, std::uint32_t);
  static void onMove(void*, gm_plugin*, std::uint32_t, std::int32_t);
  static std::uint32_t onLoad(void*, const char*, std::uint8_t*, std::uint32_t);
  static bool onSave(void*, const char*, const std::uint8_t*, std::uint32_t);

  void* library_ = nullptr;
  const gm_plugin_class* class_ = nullptr;
  gm_host host_{};
  gm_plugin* instance_ = nullptr;
};

// A deck whose track is a ramp-free, known sequence: sample value at frame f, channel c.
class TestDeck final : public DeckRenderTarget {
 public:
  explicit TestDeck(std::int32_t frames);
  void renderFromState(const gm_voice_state& state, SampleBlock block) override;
  gm_voice_state stateAt(std::int32_t position) const;
  std::int16_t sample(std::int64_t frame, int channel) const;

  std::vector<std::int32_t> renderedPositions;

 private:
  std::vector<std::int16_t> pcm_;
};

}  // namespace gm::testing

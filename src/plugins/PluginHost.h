#pragma once
// The program's side of the plug-in ABI: the host table handed to every instance, and creation of
// plug-in objects by path. Preferences files are resolved here: "PROGDIR:" + the class's
// prefs_name ("Filters/Mufflex.prefs") through Directories, which puts them in the home directory.

#include <cstdint>
#include <memory>

#include <QString>

#include "audio/SampleBlock.h"
#include "core/Directories.h"
#include "groovemangler_plugin.h"

namespace gm {

class PluginObject;

class PluginHost {
 public:
  // The largest block the decks pass to filters unless told otherwise, in frames: the engine never
  // has a deck render more at once.
  static constexpr std::uint32_t kDefaultMaxBlockFrames = std::uint32_t(kMaxRenderBlockFrames);

  explicit PluginHost(Directories directories, std::uint32_t maxBlockFrames = kDefaultMaxBlockFrames);
  PluginHost(const PluginHost&) = delete;
  PluginHost& operator=(const PluginHost&) = delete;

  // [main-thread] A plug-in object from a library path; nullptr when the file is no plug-in or the
  // plug-in refuses to create an instance.
  std::unique_ptr<PluginObject> createObject(const QString& path) const;
  // [main-thread] The deck's beat detector, "PROGDIR:BeatDetectors/Pulsetrak.detector".
  std::unique_ptr<PluginObject> createDetector() const;

  QString resolve(const QString& name) const { return directories_.resolve(name); }
  const gm_host& table() const { return table_; }
  std::uint32_t maxBlockFrames() const { return table_.max_block_frames; }

 private:
  Directories directories_;
  gm_host table_;
};

}  // namespace gm

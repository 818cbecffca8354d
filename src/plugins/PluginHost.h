#pragma once
// The program's side of the plug-in ABI: the host table handed to every instance, and creation of
// plug-in objects by path. Preferences files are resolved here: "PROGDIR:" + the class's
// prefs_name ("Filters/Mufflex.prefs") through Directories, which puts them in the home directory.
// Plug-in files that are refused, for whatever reason, are collected so the user can be told.

#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include <QString>
#include <QStringList>

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

  // [main-thread] The plug-in files of "PROGDIR:<directory>" ("Filters", "BeatDetectors") in listing
  // order; other files there are recorded as refused.
  QStringList pluginFiles(const QString& directory) const;
  // [main-thread] A plug-in object from a library path; nullptr (the file recorded as refused) when
  // the file is no usable plug-in or the plug-in refuses to create an instance.
  std::unique_ptr<PluginObject> createObject(const QString& path) const;
  // [main-thread] The deck's beat detector, "PROGDIR:BeatDetectors/Pulsetrak.detector".
  std::unique_ptr<PluginObject> createDetector() const;

  // [main-thread] Records that the plug-in file at `path` is not used, and why.
  void refuse(const QString& path, const QString& reason) const;
  // [main-thread] "<file> (<reason>)" for every file refused since the last call, each file once
  // in the host's life.
  QStringList takeRefusals() const;
  // [main-thread] Where failures to store a plug-in's preferences are reported.
  void setFailureReporter(std::function<void(const QString&)> reporter) { reporter_ = std::move(reporter); }
  void reportFailure(const QString& text) const;

  QString resolve(const QString& name) const { return directories_.resolve(name); }
  const gm_host& table() const { return table_; }
  std::uint32_t maxBlockFrames() const { return table_.max_block_frames; }

 private:
  QString prefsPathFor(const char* prefsName) const;

  Directories directories_;
  gm_host table_;
  std::function<void(const QString&)> reporter_;
  mutable std::set<QString> refusedPaths_;
  mutable QStringList newRefusals_;
};

}  // namespace gm

#pragma once
// The track database in the home directory's "Keyledger": what the user and the analysis
// established about a track (tempo, play time, rating) in three record files keyed by the track's
// digest, and the per-track scripts named by its key. Tracks are known by their decoded audio, so a
// file renamed or moved keeps its data. Only paths are held: any thread may use a copy.

#include <cstdint>
#include <string>

#include <QString>

#include "core/Directories.h"
#include "tracks/TrackKey.h"

namespace gm {

class TrackDatabase {
 public:
  enum class Table { Bpm, Time, Rating };
  // Which file could not be stored, and why.
  struct Failure {
    QString path;
    QString reason;
  };

  // No database: lookups give 0 and nothing is stored.
  TrackDatabase() = default;
  explicit TrackDatabase(Directories directories) : directories_(std::move(directories)), available_(true) {}

  bool available() const { return available_; }
  QString tablePath(Table table) const;
  // The absolute path of a script path relative to the home directory ("Keyledger/<key>.rx").
  QString scriptPath(const std::string& relativePath) const;

  // [any-thread] True when the track has a script.
  bool hasScript(const std::string& relativeScriptPath) const;
  // [any-thread] The stored value, 0 when there is none.
  std::int32_t lookup(Table table, const TrackDigest& digest) const;
  // [any-thread] Stores the value (creating "Keyledger" when missing). False, with `failure` set,
  // when it was not stored.
  bool upsert(Table table, const TrackDigest& digest, std::int32_t value, Failure* failure = nullptr) const;
  // [any-thread] "Save BPM & Cue": the track's script with its tempo (hundredths of BPM) and cue
  // point (frames), then its tempo in bpm.db. False, with `failure` set, at the first store that
  // failed.
  bool saveBpmCue(const TrackDigest& digest, const std::string& relativeScriptPath, std::int32_t bpm,
                  std::int32_t cueFrame, Failure* failure = nullptr) const;

 private:
  bool ensureDirectory(Failure* failure) const;

  Directories directories_;
  bool available_ = false;
};

}  // namespace gm

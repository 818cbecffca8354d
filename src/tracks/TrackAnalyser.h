#pragma once
// What a track goes through before it is played, in one place: decoding with its key, its tempo from
// the beat detector (unless its script sets one), its play time stored in the track database, and
// its bands, read from the waveform cache or computed (and then cached). A deck's loader thread runs
// it in two steps, installing the track in between; the batch analysis runs both steps at once.
// An analyser has its own detector, and each run its own filter state: one analyser per thread.

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tracks/BandAnalysis.h"
#include "tracks/SampleData.h"
#include "tracks/TrackDatabase.h"
#include "tracks/TrackLoader.h"
#include "tracks/WaveformCache.h"

namespace gm {

class PluginObject;

class TrackAnalyser {
 public:
  struct Loaded {
    std::shared_ptr<SampleData> sample;  // nullptr when the load failed
    // Why the file could not be read; empty without a sample: the track could not have the memory
    // it needs.
    std::string error;
    // Set when the play time could not be stored.
    std::optional<TrackDatabase::Failure> playTimeFailure;
  };

  TrackAnalyser();
  ~TrackAnalyser();
  TrackAnalyser(TrackAnalyser&&) noexcept;
  TrackAnalyser& operator=(TrackAnalyser&&) noexcept;

  // [owner-thread, no run in progress] The beat detector asked for the tempo of tracks without a
  // script (nullptr: no tempo is detected).
  void setTempoDetector(std::unique_ptr<PluginObject> detector);
  // [owner-thread, no run in progress] Where play times go and scripts are looked for.
  void setTrackDatabase(TrackDatabase database) { database_ = std::move(database); }
  // [any-thread] Paths only: any thread may read it while no one sets it.
  const TrackDatabase& database() const { return database_; }

  // [loader-thread] Decodes the file, then detects the tempo and stores the play time, unless
  // `hooks.cancelled` says the load was abandoned meanwhile. Hooks left empty do nothing.
  Loaded load(const std::string& path, TrackLoader::Hooks hooks, const TrackLoadOptions& options = {});
  // [loader-thread] The bands of a loaded track (see BandAnalysis::run). False when cancelled.
  static bool analyseBands(SampleData& sample, const WaveformCache::Settings& cache, const BandAnalysis::Hooks& hooks);
  // [loader-thread] Both steps, for a track that is only prepared, not played: `hooks` follow the
  // decoding, and `hooks.cancelled` the band analysis as well.
  Loaded prepare(const std::string& path, const WaveformCache::Settings& cache, TrackLoader::Hooks hooks = {});

 private:
  void detectTempo(SampleData& sample);
  std::optional<TrackDatabase::Failure> recordPlayTime(const SampleData& sample) const;

  std::unique_ptr<PluginObject> detector_;
  TrackDatabase database_;
};

}  // namespace gm

#pragma once
// Prepares many tracks at once, as if each were loaded into a deck: one thread per analyser (each
// with its own beat detector, each track with its own filter state), each thread taking the next
// file of the list. The caller hears about the tracks on its own thread, in the order of the list,
// whatever order they finish in; the memory of a track is given back as soon as it is prepared.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tracks/TrackAnalyser.h"
#include "tracks/TrackDatabase.h"
#include "tracks/WaveformCache.h"

namespace gm {

class TrackBatch {
 public:
  struct Outcome {
    std::string path;
    bool loaded = false;
    std::string error;  // why the file could not be read when not loaded; empty: no memory for it
    std::string key;
    std::int32_t tempo = 0;  // hundredths of BPM; detected, or saved with the track's script; 0: none
    bool tempoFromScript = false;
    std::int32_t seconds = 0;
    std::int64_t frames = 0;
    std::int64_t statedFrames = 0;  // the length the file states; 0: none
    bool cutShort = false;          // the file holds noticeably less than it states
    std::optional<TrackDatabase::Failure> playTimeFailure;
    bool bandsMissing = false;  // a band could not have its memory
    bool cacheWriteFailed = false;
    int bandsComputed = 0;  // the others came from the cache

    // Loaded, whole, and everything about it stored.
    bool prepared() const {
      return loaded && !cutShort && !playTimeFailure && !bandsMissing && !cacheWriteFailed;
    }
  };

  struct Listener {
    // [caller-thread] A track is done, in the order of the list.
    std::function<void(const Outcome&)> track;
    // [caller-thread] How far the whole batch is, 0 to 1 (a few times a second and after each track).
    std::function<void(double share)> progress;
  };

  // One thread for each analyser (at most one per file); the bands go to `cache`.
  TrackBatch(std::vector<TrackAnalyser> analysers, WaveformCache::Settings cache);

  // [caller-thread] Prepares the files and returns when all are done. False when no thread could be
  // started (nothing was done).
  bool run(const std::vector<std::string>& files, const Listener& listener);

 private:
  struct Shared;
  void work(TrackAnalyser& analyser, Shared& shared, std::size_t slot) const;
  Outcome prepare(TrackAnalyser& analyser, const std::string& path, Shared& shared, std::size_t slot) const;

  std::vector<TrackAnalyser> analysers_;
  WaveformCache::Settings cache_;
};

}  // namespace gm

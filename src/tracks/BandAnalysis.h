#pragma once
// Band analysis of a decoded track, run on the deck's loader thread once the load has finished: the
// high, mid and low band energies per block (read from the waveform cache when it has them,
// otherwise filtered and normalised), the colour image from them, and, with caching on, the newly
// computed bands written to the cache. The writing comes last, after the analysis has been reported
// finished: compressing the three bands takes about as long as filtering them, and the deck need
// not wait for a cache.

#include <functional>

#include "tracks/SampleData.h"
#include "tracks/WaveformCache.h"

namespace gm {

class BandAnalysis {
 public:
  struct Hooks {
    // [loader-thread] A band is done: ready when its energies are there. Called for the high, mid and
    // low band in this order, before the colour image is built.
    std::function<void(Band band, bool ready)> bandDone;
    // [loader-thread] The bands and the colour image are done; only writing the cache remains.
    std::function<void()> finished;
    // [loader-thread] True when the deck is going away: the analysis ends early.
    std::function<bool()> cancelled;
  };

  // [loader-thread] Fills `sample.bands`. The cache is used when `cache.directory` is set (made
  // when missing); bands are stored in it only when `cache.store` is on. A band whose memory cannot
  // be had stays not ready, and counts as 0 in the colour image. `sample.bands` says which bands came
  // from the cache and whether writing it failed. False when cancelled before the analysis finished.
  static bool run(SampleData& sample, const WaveformCache::Settings& cache, const Hooks& hooks);

 private:
  static void buildColourImage(SampleData& sample);
  static void store(SampleData& sample, const std::array<bool, kBandCount>& computed,
                    const WaveformCache::Settings& cache, const Hooks& hooks);
};

}  // namespace gm

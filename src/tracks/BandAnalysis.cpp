#include "tracks/BandAnalysis.h"

#include <new>

#include "tracks/BandFilter.h"
#include "tracks/BandNormaliser.h"
#include "tracks/ColourImage.h"

namespace gm {
namespace {

// A zeroed array of `count` values; false when the memory cannot be had.
template <typename T>
bool allocateZeroed(std::vector<T>& values, std::size_t count) {
  try {
    values.assign(count, T{});
    return true;
  } catch (const std::bad_alloc&) {
    values.clear();
    return false;
  }
}

}  // namespace

bool BandAnalysis::run(SampleData& sample, const WaveformCache::Settings& cache, const Hooks& hooks) {
  const bool cached = !cache.directory.isEmpty() && WaveformCache::prepareDirectory(cache.directory);
  TrackBands& bands = sample.bands;
  const auto blocks = static_cast<std::size_t>(sample.blockCount);
  std::array<bool, kBandCount> allocated{}, computed{};
  std::array<float*, kBandCount> toFilter{};
  for (Band band : kBands) {
    const auto i = static_cast<std::size_t>(band);
    std::vector<float>& energy = bands.energy[i];
    allocated[i] = allocateZeroed(energy, blocks);
    if (!allocated[i]) continue;
    bands.fromCache[i] = cached && WaveformCache::load(energy, sample.key, band, cache.directory);
    if (bands.fromCache[i]) continue;
    computed[i] = true;
    toFilter[i] = energy.data();
  }
  // The bands the cache did not have are filtered together, in one pass over the track.
  if (!BandFilter::blockEnergies(sample.pcm.data(), sample.blockCount, toFilter, hooks.cancelled)) return false;
  for (Band band : kBands) {
    const auto i = static_cast<std::size_t>(band);
    if (computed[i]) BandNormaliser::normalise(bands.energy[i].data(), bands.energy[i].size());
    bands.ready[i] = allocated[i];
    if (hooks.bandDone) hooks.bandDone(band, bands.ready[i]);
  }
  buildColourImage(sample);
  if (hooks.finished) hooks.finished();
  if (cache.store && !cache.directory.isEmpty()) {
    // A directory that cannot be made loses every band meant for it.
    if (cached) store(sample, computed, cache, hooks);
    else bands.cacheWriteFailed = true;
  }
  return true;
}

void BandAnalysis::store(SampleData& sample, const std::array<bool, kBandCount>& computed,
                         const WaveformCache::Settings& cache, const Hooks& hooks) {
  for (Band band : kBands) {
    if (hooks.cancelled && hooks.cancelled()) return;
    const auto i = static_cast<std::size_t>(band);
    if (computed[i] && !WaveformCache::store(sample.bands.energy[i], sample.key, band, cache.directory))
      sample.bands.cacheWriteFailed = true;
  }
}

void BandAnalysis::buildColourImage(SampleData& sample) {
  TrackBands& bands = sample.bands;
  if (!allocateZeroed(bands.colourImage, ColourImage::pixelCount(sample.blockCount))) return;
  std::array<std::span<const float>, kBandCount> energies;
  for (Band band : kBands) {
    const auto i = static_cast<std::size_t>(band);
    if (bands.ready[i]) energies[i] = bands.energy[i];
  }
  const std::size_t words = std::min<std::size_t>(sample.overview.size(), std::size_t(sample.blockCount));
  ColourImage::build(std::span(sample.overview).first(words), sample.peak, energies, bands.colourImage);
  bands.colourReady = true;
}

}  // namespace gm

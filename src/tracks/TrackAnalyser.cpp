#include "tracks/TrackAnalyser.h"

#include <new>

#include "plugins/PluginObject.h"

namespace gm {
namespace {

// TrackLoader calls every hook it has: the ones a caller leaves out do nothing.
void fillEmptyHooks(TrackLoader::Hooks& hooks) {
  if (!hooks.attach) hooks.attach = [](const std::shared_ptr<SampleData>&) {};
  if (!hooks.decoded) hooks.decoded = [](const SampleData&, std::int32_t) {};
  if (!hooks.progress) hooks.progress = [](const std::shared_ptr<SampleData>&) {};
  if (!hooks.cancelled) hooks.cancelled = [] { return false; };
}

}  // namespace

TrackAnalyser::TrackAnalyser() = default;
TrackAnalyser::~TrackAnalyser() = default;
TrackAnalyser::TrackAnalyser(TrackAnalyser&&) noexcept = default;
TrackAnalyser& TrackAnalyser::operator=(TrackAnalyser&&) noexcept = default;

void TrackAnalyser::setTempoDetector(std::unique_ptr<PluginObject> detector) { detector_ = std::move(detector); }

TrackAnalyser::Loaded TrackAnalyser::load(const std::string& path, TrackLoader::Hooks hooks,
                                          const TrackLoadOptions& options) {
  fillEmptyHooks(hooks);
  Loaded loaded;
  try {
    loaded.sample = TrackLoader::decode(path, hooks, loaded.error, options);
    // A load cut short by its owner going away is no track to remember.
    if (loaded.sample && !hooks.cancelled()) {
      detectTempo(*loaded.sample);
      loaded.playTimeFailure = recordPlayTime(*loaded.sample);
    }
  } catch (const std::bad_alloc&) {
    loaded = {};
  }
  return loaded;
}

bool TrackAnalyser::analyseBands(SampleData& sample, const WaveformCache::Settings& cache,
                                 const BandAnalysis::Hooks& hooks) {
  return BandAnalysis::run(sample, cache, hooks);
}

TrackAnalyser::Loaded TrackAnalyser::prepare(const std::string& path, const WaveformCache::Settings& cache,
                                             TrackLoader::Hooks hooks) {
  fillEmptyHooks(hooks);
  Loaded loaded = load(path, hooks);
  if (!loaded.sample || hooks.cancelled()) return loaded;
  BandAnalysis::Hooks bandHooks;
  bandHooks.cancelled = hooks.cancelled;
  analyseBands(*loaded.sample, cache, bandHooks);
  return loaded;
}

void TrackAnalyser::detectTempo(SampleData& sample) {
  // A track with a script gets its tempo from the script.
  if (!detector_ || database_.hasScript(sample.scriptPath)) return;
  sample.detectedBpm = std::int32_t(detector_->detectTempo(sample.pcm.data(), std::uint32_t(sample.frames)));
}

// On the loader thread rather than the main thread: the store waits for the disk, the window
// should not.
std::optional<TrackDatabase::Failure> TrackAnalyser::recordPlayTime(const SampleData& sample) const {
  TrackDatabase::Failure failure;
  if (!database_.available() || database_.upsert(TrackDatabase::Table::Time, sample.digest, sample.seconds, &failure))
    return std::nullopt;
  return failure;
}

}  // namespace gm

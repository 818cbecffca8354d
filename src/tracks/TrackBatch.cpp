#include "tracks/TrackBatch.h"

#include <pthread.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

namespace gm {
namespace {

// How often the caller hears how far the batch is while no track finishes.
constexpr std::chrono::milliseconds kProgressInterval{100};

// Decoding counts as half of a track's work: the rest (tempo, bands, cache) reports no progress.
constexpr double kDecodingShare = 0.5;

std::int32_t tempoOf(const TrackAnalyser& analyser, const SampleData& sample, bool& fromScript) {
  const TrackDatabase& database = analyser.database();
  fromScript = database.hasScript(sample.scriptPath);
  // The script sets the tempo saved with it, which bpm.db keeps too.
  return fromScript ? database.lookup(TrackDatabase::Table::Bpm, sample.digest) : sample.detectedBpm;
}

}  // namespace

struct TrackBatch::Shared {
  explicit Shared(const std::vector<std::string>& list, std::size_t slots) : files(list), decodedPercent(slots) {}

  const std::vector<std::string>& files;
  std::atomic<std::size_t> next{0};
  // Per thread, the decoded share of the track it works on, in percent.
  std::vector<std::atomic<int>> decodedPercent;
  std::mutex mutex;
  std::condition_variable done;
  std::map<std::size_t, Outcome> finished;  // by index in the list, until reported
  std::size_t finishedCount = 0;
};

TrackBatch::TrackBatch(std::vector<TrackAnalyser> analysers, WaveformCache::Settings cache)
    : analysers_(std::move(analysers)), cache_(std::move(cache)) {}

bool TrackBatch::run(const std::vector<std::string>& files, const Listener& listener) {
  const std::size_t threadCount = std::min(analysers_.size(), files.size());
  Shared shared(files, threadCount);
  std::vector<std::thread> threads;
  for (std::size_t slot = 0; slot < threadCount; ++slot) {
    try {
      threads.emplace_back([this, &shared, slot] { work(analysers_[slot], shared, slot); });
    } catch (const std::system_error&) {
      break;  // the threads that did start share the work
    }
  }
  if (threads.empty() && !files.empty()) return false;
  for (std::size_t reported = 0; reported < files.size();) {
    std::unique_lock lock(shared.mutex);
    shared.done.wait_for(lock, kProgressInterval, [&] { return shared.finished.contains(reported); });
    std::vector<Outcome> ready;
    for (auto it = shared.finished.find(reported); it != shared.finished.end(); it = shared.finished.find(reported)) {
      ready.push_back(std::move(it->second));
      shared.finished.erase(it);
      ++reported;
    }
    double share = double(shared.finishedCount);
    lock.unlock();
    for (const std::atomic<int>& percent : shared.decodedPercent) share += kDecodingShare * percent.load() / 100.0;
    for (const Outcome& outcome : ready) listener.track(outcome);
    listener.progress(std::min(1.0, share / double(files.size())));
  }
  for (std::thread& thread : threads) thread.join();
  return true;
}

void TrackBatch::work(TrackAnalyser& analyser, Shared& shared, std::size_t slot) const {
  pthread_setname_np(pthread_self(), ("GM Analyser " + std::to_string(slot + 1)).substr(0, 15).c_str());
  for (std::size_t index; (index = shared.next.fetch_add(1)) < shared.files.size();) {
    Outcome outcome = prepare(analyser, shared.files[index], shared, slot);
    // Before the track counts as finished: the share shown may lag, never run ahead.
    shared.decodedPercent[slot].store(0);
    std::lock_guard lock(shared.mutex);
    shared.finished.emplace(index, std::move(outcome));
    ++shared.finishedCount;
    shared.done.notify_one();
  }
}

TrackBatch::Outcome TrackBatch::prepare(TrackAnalyser& analyser, const std::string& path, Shared& shared,
                                        std::size_t slot) const {
  TrackLoader::Hooks hooks;
  hooks.progress = [&shared, slot](const std::shared_ptr<SampleData>& sample) {
    shared.decodedPercent[slot].store(sample->loadPercent);
  };
  TrackAnalyser::Loaded loaded = analyser.prepare(path, cache_, hooks);
  Outcome outcome;
  outcome.path = path;
  outcome.error = std::move(loaded.error);
  outcome.playTimeFailure = std::move(loaded.playTimeFailure);
  const SampleData* sample = loaded.sample.get();
  if (sample == nullptr) return outcome;
  outcome.loaded = true;
  outcome.key = sample->key;
  outcome.tempo = tempoOf(analyser, *sample, outcome.tempoFromScript);
  outcome.seconds = sample->seconds;
  outcome.frames = sample->frames;
  outcome.statedFrames = sample->statedFrames;
  outcome.cutShort = sample->cutShort();
  const TrackBands& bands = sample->bands;
  outcome.bandsMissing = !std::all_of(bands.ready.begin(), bands.ready.end(), [](bool ready) { return ready; });
  outcome.cacheWriteFailed = bands.cacheWriteFailed;
  outcome.bandsComputed = int(std::count(bands.fromCache.begin(), bands.fromCache.end(), false));
  return outcome;
}

}  // namespace gm

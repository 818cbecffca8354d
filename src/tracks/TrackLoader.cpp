#include "tracks/TrackLoader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <optional>
#include <vector>

#include "tracks/MediaDecoder.h"

namespace gm {

// Running extremes, peak and overview words over the frames as they are decoded. The loop keeps
// to plain per-channel minima and maxima so it costs little next to decoding; the left channel's
// extremes are folded in once per block and give the peak.
class TrackLoader::Scanner {
 public:
  void scan(SampleData& sample, const std::int16_t* samples, std::size_t frames) {
    while (frames > 0) {
      const std::size_t count = std::min<std::size_t>(frames, std::size_t(SampleData::kBlockFrames - inBlock_));
      std::int16_t blockMax = blockMax_, blockMin = blockMin_, rightMax = rightMax_, rightMin = rightMin_;
      for (std::size_t i = 0; i < count; ++i) {
        const std::int16_t left = samples[2 * i];
        const std::int16_t right = samples[2 * i + 1];
        blockMax = std::max(blockMax, left);
        blockMin = std::min(blockMin, left);
        rightMax = std::max(rightMax, right);
        rightMin = std::min(rightMin, right);
      }
      blockMax_ = blockMax, blockMin_ = blockMin, rightMax_ = rightMax, rightMin_ = rightMin;
      inBlock_ += std::int32_t(count);
      samples += 2 * count;
      frames -= count;
      if (inBlock_ == SampleData::kBlockFrames) appendBlock(sample);
    }
  }
  void store(SampleData& sample) {
    foldBlock();
    sample.maxSample = std::max(leftMax_, rightMax_);
    sample.minSample = std::min(leftMin_, rightMin_);
    sample.peak = std::max(std::int32_t{leftMax_}, -std::int32_t{leftMin_});
  }

 private:
  void foldBlock() {
    leftMax_ = std::max(leftMax_, blockMax_);
    leftMin_ = std::min(leftMin_, blockMin_);
  }
  void appendBlock(SampleData& sample) {
    foldBlock();
    const std::int32_t count = sample.overviewCount.load(std::memory_order_relaxed);
    if (count < std::int32_t(sample.overview.size())) {
      sample.overview[std::size_t(count)] = (std::uint32_t(std::uint16_t(blockMax_)) << 16) | std::uint16_t(blockMin_);
      sample.overviewCount.store(count + 1, std::memory_order_release);
    }
    blockMax_ = blockMin_ = 0;
    inBlock_ = 0;
  }

  // Extremes start at 0, as the block extremes do: a track that never crosses zero keeps 0 there.
  std::int16_t leftMax_ = 0, leftMin_ = 0, rightMax_ = 0, rightMin_ = 0;
  std::int16_t blockMax_ = 0, blockMin_ = 0;
  std::int32_t inBlock_ = 0;
};

namespace {

// Pulls up to `maxFrames` stereo frames into `destination`: stereo files straight in, mono files
// through a small scratch buffer with each sample written to both channels.
std::size_t pullStereoFrames(MediaDecoder& decoder, std::int16_t* destination, std::size_t maxFrames,
                             std::vector<std::int16_t>& monoScratch) {
  if (decoder.channels() == 2) {
    const std::size_t bytes = std::min(maxFrames * 4, TrackLoader::kPullBytes);
    return decoder.pull(destination, bytes) / 4;
  }
  const std::size_t bytes = std::min(maxFrames * 2, TrackLoader::kMonoPullBytes);
  const std::size_t frames = decoder.pull(monoScratch.data(), bytes) / 2;
  for (std::size_t i = 0; i < frames; ++i) destination[2 * i] = destination[2 * i + 1] = monoScratch[i];
  return frames;
}

}  // namespace

std::shared_ptr<SampleData> TrackLoader::decode(const std::string& path, const Hooks& hooks, std::string& error) {
  std::unique_ptr<MediaDecoder> decoder = MediaDecoder::open(path, &error);
  if (!decoder) {
    if (error.empty()) error = "cannot be decoded";
    return nullptr;
  }
  error.clear();
  // The key of a resampled track comes from a first pass over its opening at the file's own rate.
  std::optional<TrackDigest> sourceDigest;
  if (decoder->resampled()) sourceDigest = sourceRateDigest(*decoder);
  if ((decoder->resampled() && !sourceDigest) || !decoder->seekToStart(MediaDecoder::Rate::Standard)) {
    error = "Cannot read file";
    return nullptr;
  }
  std::shared_ptr<SampleData> sample = SampleData::allocate(decoder->reserveFrameCount());
  if (!sample) return nullptr;
  sample->sampleRate = decoder->sampleRate();
  sample->sourceSampleRate = decoder->sourceSampleRate();
  hooks.attach(sample);
  if (!decodeInto(*decoder, sample, hooks)) return nullptr;
  finish(*sample, sourceDigest);
  // After the last word and field: the views take the overview as complete from here on.
  sample->loadEnded.store(true, std::memory_order_release);
  // The one report of 100 %, held back until now, hands the main thread the finished record.
  sample->loadPercent = 100;
  hooks.progress(sample);
  return sample;
}

std::optional<TrackDigest> TrackLoader::sourceRateDigest(MediaDecoder& decoder) {
  if (!decoder.seekToStart(MediaDecoder::Rate::Source)) return std::nullopt;
  std::vector<std::int16_t> opening(TrackKey::kHashedBytes / 2);
  std::vector<std::int16_t> monoScratch(kMonoPullBytes / 2);
  const std::size_t capacity = opening.size() / 2;
  std::size_t frames = 0;
  while (frames < capacity) {
    const std::size_t pulled = pullStereoFrames(decoder, opening.data() + 2 * frames, capacity - frames, monoScratch);
    if (pulled == 0) break;
    frames += pulled;
  }
  return TrackKey::digest(opening.data(), frames * 4);
}

bool TrackLoader::decodeInto(MediaDecoder& decoder, std::shared_ptr<SampleData>& sample, const Hooks& hooks) {
  Scanner scanner;
  std::vector<std::int16_t> monoScratch(kMonoPullBytes / 2);
  const std::size_t capacity = std::size_t(sample->frames);
  std::size_t done = 0;
  while (done < capacity && !hooks.cancelled()) {
    const std::size_t frames = pullStereoFrames(decoder, sample->pcm.data() + 2 * done, capacity - done, monoScratch);
    if (frames == 0) break;
    scanner.scan(*sample, sample->pcm.data() + 2 * done, frames);
    done += frames;
    hooks.decoded(std::int32_t(done));
    const auto percent = std::int32_t(float(done) * 100.0f / float(capacity));
    if (percent != sample->loadPercent && percent < 100) {
      sample->loadPercent = percent;
      hooks.progress(sample);
    }
  }
  // An estimated length can be short: what the file still holds is kept, not cut off.
  std::vector<std::int16_t> tail;
  while (done == capacity && !hooks.cancelled()) {
    const std::size_t used = tail.size();
    tail.resize(used + kPullBytes / 2);
    const std::size_t frames = pullStereoFrames(decoder, tail.data() + used, kPullBytes / 4, monoScratch);
    tail.resize(used + frames * 2);
    if (frames == 0) break;
  }
  if (!tail.empty() || done < capacity) {
    // The track's length is the decoded count: the record becomes one of exactly that length.
    std::shared_ptr<SampleData> exact = tail.empty() ? trimmedRecord(*sample, done) : grownRecord(*sample, tail);
    if (!exact) return false;
    scanner.scan(*exact, exact->pcm.data() + 2 * done, tail.size() / 2);
    hooks.attach(exact);
    hooks.decoded(exact->frames);
    sample = std::move(exact);
  }
  scanner.store(*sample);
  return true;
}

std::shared_ptr<SampleData> TrackLoader::grownRecord(const SampleData& sample, const std::vector<std::int16_t>& tail) {
  std::shared_ptr<SampleData> grown = SampleData::allocate(std::int64_t(sample.frames) + std::int64_t(tail.size() / 2));
  if (!grown) return nullptr;
  const auto tailAt = std::copy(sample.pcm.begin(), sample.pcm.end(), grown->pcm.begin());
  std::copy(tail.begin(), tail.end(), tailAt);
  takeOverHeader(sample, *grown);
  return grown;
}

std::shared_ptr<SampleData> TrackLoader::trimmedRecord(SampleData& sample, std::size_t frames) {
  std::shared_ptr<SampleData> trimmed = SampleData::adopt(sample.pcm, std::int64_t(frames));
  if (trimmed) takeOverHeader(sample, *trimmed);
  return trimmed;
}

void TrackLoader::takeOverHeader(const SampleData& from, SampleData& to) {
  // Only this thread writes the words: the count needs no ordering here.
  const std::int32_t words = std::min(from.overviewCount.load(std::memory_order_relaxed), to.blockCount);
  std::copy_n(from.overview.begin(), words, to.overview.begin());
  to.overviewCount.store(words, std::memory_order_release);
  to.sampleRate = from.sampleRate;
  to.sourceSampleRate = from.sourceSampleRate;
  to.loadPercent = from.loadPercent;
}

void TrackLoader::finish(SampleData& sample, const std::optional<TrackDigest>& sourceDigest) {
  sample.seconds = sample.sampleRate > 0 ? sample.frames / sample.sampleRate : 0;
  // A resampled track is known by its samples at the file's own rate, which no resampler change
  // can alter; any other by the start of its memory.
  sample.digest = sourceDigest ? *sourceDigest : TrackKey::digest(sample.pcm.data(), std::size_t(sample.byteSize));
  sample.key = TrackKey::key(sample.digest);
  sample.scriptPath = TrackKey::scriptPath(sample.key);
}

}  // namespace gm

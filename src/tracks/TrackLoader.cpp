#include "tracks/TrackLoader.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
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

// A load that reaches the length it expected grows its record by half of what it has, and by at
// least this much (a minute), so a long stream without a stated length grows it only a few times.
constexpr std::int64_t kMinGrowthFrames = std::int64_t{MediaDecoder::kStandardRate} * 60;
// The least address space a load reserves when the system limits it (ulimit -v): ten minutes.
constexpr std::int64_t kMinReservedFrames = std::int64_t{MediaDecoder::kStandardRate} * 600;

// Address space for the longest track a load may take; under an address-space limit as much of it
// as can be had, down to ten minutes. The load stops at what it got.
bool reserveMemory(PcmMemory& pcm, std::int64_t maxFrames, PcmMemory::Pages pages) {
  const std::int64_t leastFrames = std::min(maxFrames, kMinReservedFrames);
  for (std::int64_t frames = maxFrames;; frames = std::max(frames / 2, leastFrames)) {
    if (pcm.reserve(frames, pages)) return true;
    if (frames == leastFrames) return false;
  }
}

// Whether the stream still delivers frames beyond those pulled so far.
bool streamGoesOn(MediaDecoder& decoder) {
  std::int16_t frame[2];
  return decoder.pull(frame, std::size_t(decoder.bytesPerFrame())) > 0;
}

}  // namespace

std::shared_ptr<SampleData> TrackLoader::decode(const std::string& path, const Hooks& hooks, std::string& error,
                                            const Options& options) {
  try {
    return load(path, hooks, error, options);
  } catch (const std::bad_alloc&) {
    // Whatever ran out of memory on the way: the load is one the system cannot afford.
    error.clear();
    return nullptr;
  }
}

std::shared_ptr<SampleData> TrackLoader::load(const std::string& path, const Hooks& hooks, std::string& error,
                                          const Options& options) {
  std::unique_ptr<MediaDecoder> decoder = MediaDecoder::open(path, &error, hooks.cancelled);
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
  std::int64_t limitFrames = std::clamp<std::int64_t>(options.maxFrames, 0, SampleData::kMaxFrames);
  std::shared_ptr<SampleData> sample = reservedRecord(*decoder, limitFrames, options.pages);
  if (!sample) return nullptr;
  hooks.attach(sample);
  if (!decodeInto(*decoder, sample, limitFrames, hooks)) return nullptr;
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

// A record of the length the file leads us to expect, over address space for the longest track the
// load may take (`limitFrames`, lowered to what the system would reserve); the memory becomes real
// only as the frames arrive.
std::shared_ptr<SampleData> TrackLoader::reservedRecord(const MediaDecoder& decoder, std::int64_t& limitFrames,
                                                        PcmMemory::Pages pages) {
  PcmMemory pcm;
  if (!reserveMemory(pcm, limitFrames, pages)) return nullptr;
  limitFrames = std::min(limitFrames, pcm.reservedFrames());
  const std::int64_t expected = std::clamp<std::int64_t>(decoder.reserveFrameCount(), 0, limitFrames);
  std::shared_ptr<SampleData> sample = SampleData::adopt(pcm, expected);
  if (!sample) return nullptr;
  sample->sampleRate = decoder.sampleRate();
  sample->sourceSampleRate = decoder.sourceSampleRate();
  sample->statedFrames = decoder.statedFrameCount();
  return sample;
}

bool TrackLoader::decodeInto(MediaDecoder& decoder, std::shared_ptr<SampleData>& sample, std::int64_t limitFrames,
                             const Hooks& hooks) {
  Scanner scanner;
  std::vector<std::int16_t> monoScratch(kMonoPullBytes / 2);
  std::int64_t done = 0;
  while (!hooks.cancelled()) {
    if (done == sample->frames) {
      // The stream goes on past the length expected: a longer record, up to the limit.
      if (done == limitFrames) {
        if (streamGoesOn(decoder)) return false;
        break;
      }
      sample = longerRecord(*sample, limitFrames);
      if (!sample) return false;
    }
    std::size_t frames = 0;
    if (!pullNext(decoder, *sample, done, frames, monoScratch)) return false;
    if (frames == 0) break;
    scanner.scan(*sample, sample->pcm.data() + 2 * done, frames);
    done += std::int64_t(frames);
    hooks.decoded(*sample, std::int32_t(done));
    const auto percent = std::int32_t(float(done) * 100.0f / float(sample->frames));
    // A record that grew shows a lower share: the display never goes back.
    if (percent > sample->loadPercent && percent < 100) {
      sample->loadPercent = percent;
      hooks.progress(sample);
    }
  }
  // Memory that ran out inside the decoder cut the track short: it is not the file's track.
  if (decoder.outOfMemory()) return false;
  // The reservation beyond the decoded frames goes back to the system; the voice never reads there.
  sample->pcm.truncate(done);
  if (done != sample->frames) {
    // The track's length is the decoded count: the record becomes one of exactly that length.
    sample = exactRecord(*sample, done);
    if (!sample) return false;
  }
  scanner.store(*sample);
  return true;
}

// Makes the memory for the next pull usable, then pulls into it; false when the memory is refused.
bool TrackLoader::pullNext(MediaDecoder& decoder, SampleData& sample, std::int64_t done, std::size_t& frames,
                           std::vector<std::int16_t>& monoScratch) {
  const auto wanted = std::size_t(std::min<std::int64_t>(sample.frames - done, kPullBytes / 4));
  if (!sample.pcm.extendTo(done + std::int64_t(wanted))) return false;
  frames = pullStereoFrames(decoder, sample.pcm.data() + 2 * done, wanted, monoScratch);
  return true;
}

std::shared_ptr<SampleData> TrackLoader::longerRecord(SampleData& sample, std::int64_t limitFrames) {
  const std::int64_t frames = sample.frames;
  const std::int64_t longer = std::min(limitFrames, frames + std::max(frames / 2, kMinGrowthFrames));
  std::shared_ptr<SampleData> grown = SampleData::adopt(sample.pcm, longer);
  if (grown) takeOverHeader(sample, *grown);
  return grown;
}

std::shared_ptr<SampleData> TrackLoader::exactRecord(SampleData& sample, std::int64_t frames) {
  std::shared_ptr<SampleData> exact = SampleData::adopt(sample.pcm, frames);
  if (exact) takeOverHeader(sample, *exact);
  return exact;
}

void TrackLoader::takeOverHeader(const SampleData& from, SampleData& to) {
  // Only this thread writes the words: the count needs no ordering here.
  const std::int32_t words = std::min(from.overviewCount.load(std::memory_order_relaxed), to.blockCount);
  std::copy_n(from.overview.begin(), words, to.overview.begin());
  to.overviewCount.store(words, std::memory_order_release);
  to.sampleRate = from.sampleRate;
  to.sourceSampleRate = from.sourceSampleRate;
  to.statedFrames = from.statedFrames;
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

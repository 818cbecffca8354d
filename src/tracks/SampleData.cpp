#include "tracks/SampleData.h"

#include <algorithm>
#include <limits>
#include <new>

namespace gm {

namespace {

// A record sized for `frames` frames with its overview array, but no sample memory yet.
std::shared_ptr<SampleData> withoutPcm(std::int64_t frames) {
  // The deck addresses frames with 32-bit counts (about 13.5 hours of audio).
  if (frames < 0 || frames > std::numeric_limits<std::int32_t>::max() / 4) return nullptr;
  try {
    auto sample = std::make_shared<SampleData>();
    sample->frames = static_cast<std::int32_t>(frames);
    sample->byteSize = sample->frames * 4;
    sample->blockCount = sample->frames / SampleData::kBlockFrames;
    sample->overview.assign(static_cast<std::size_t>(sample->blockCount), 0);
    return sample;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

std::shared_ptr<SampleData> SampleData::allocate(std::int64_t frames) {
  std::shared_ptr<SampleData> sample = withoutPcm(frames);
  if (!sample) return nullptr;
  try {
    sample->pcm.assign(static_cast<std::size_t>(frames) * 2, 0);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  return sample;
}

std::shared_ptr<SampleData> SampleData::adopt(std::vector<std::int16_t>& pcm, std::int64_t frames) {
  std::shared_ptr<SampleData> sample = withoutPcm(std::min<std::int64_t>(frames, std::int64_t(pcm.size() / 2)));
  if (!sample) return nullptr;
  sample->pcm = std::move(pcm);
  // Shrinking never reallocates: the samples stay at the address the voice plays them from.
  sample->pcm.resize(std::size_t(sample->frames) * 2);
  return sample;
}

}  // namespace gm

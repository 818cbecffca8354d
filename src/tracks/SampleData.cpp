#include "tracks/SampleData.h"

#include <new>

namespace gm {

namespace {

// A record sized for `frames` frames with its overview array, but no sample memory yet.
std::shared_ptr<SampleData> withoutPcm(std::int64_t frames) {
  if (frames < 0 || frames > SampleData::kMaxFrames) return nullptr;
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
  PcmMemory pcm;
  if (frames > kMaxFrames || !pcm.reserve(frames) || !pcm.extendTo(frames)) return nullptr;
  return adopt(pcm, frames);
}

std::shared_ptr<SampleData> SampleData::adopt(PcmMemory& pcm, std::int64_t frames) {
  std::shared_ptr<SampleData> sample = withoutPcm(frames);
  if (sample) sample->pcm = std::move(pcm);
  return sample;
}

}  // namespace gm

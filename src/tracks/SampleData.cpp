#include "tracks/SampleData.h"

#include <limits>
#include <new>

namespace gm {

std::shared_ptr<SampleData> SampleData::allocate(std::int64_t frames) {
  // The deck addresses frames with 32-bit counts (about 13.5 hours of audio).
  if (frames < 0 || frames > std::numeric_limits<std::int32_t>::max() / 4) return nullptr;
  try {
    auto sample = std::make_shared<SampleData>();
    sample->frames = static_cast<std::int32_t>(frames);
    sample->byteSize = sample->frames * 4;
    sample->pcm.assign(static_cast<std::size_t>(frames) * 2, 0);
    sample->blockCount = sample->frames / kBlockFrames;
    sample->overview.assign(static_cast<std::size_t>(sample->blockCount), 0);
    return sample;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace gm

#pragma once
// Which of a track's 220-frame blocks a display column covers when columns are anchored at frame 0
// and each spans a fixed number of frames: the blocks that overlap it, at least one.

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "tracks/SampleData.h"

namespace gm {

struct ColumnBlocks {
  std::int64_t first = 0;
  std::int64_t end = 0;  // one past the last

  static ColumnBlocks of(std::int64_t column, double framesPerColumn) {
    constexpr double kBlockFrames = SampleData::kBlockFrames;
    const auto first = static_cast<std::int64_t>(std::floor(double(column) * framesPerColumn / kBlockFrames));
    const auto end = static_cast<std::int64_t>(std::ceil(double(column + 1) * framesPerColumn / kBlockFrames));
    return {first, std::max(end, first + 1)};
  }
};

}  // namespace gm

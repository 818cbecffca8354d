#include "audio/DbTable.h"

#include <algorithm>
#include <cstdlib>

namespace gm {

std::int32_t dbTableGain(int index) {
  return dBTable[static_cast<std::size_t>(std::clamp(index, 0, kDbTableMaxIndex))];
}

std::int32_t crossFaderValue(int position) {
  const int clampedPosition = std::clamp(position, -kDbTableMaxIndex, kDbTableMaxIndex);
  const std::int32_t magnitude = dBTable[static_cast<std::size_t>(std::abs(clampedPosition))] - 1;
  return clampedPosition < 0 ? -magnitude : magnitude;
}

}  // namespace gm

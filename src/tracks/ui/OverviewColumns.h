#pragma once
// The loader's overview words (smallest and largest left sample of each 220-frame block) folded into
// display columns that each span a fixed number of frames. Columns are anchored at frame 0, so a view
// that scrolls keeps showing the same extremes for the same stretch of music instead of shimmering,
// and while a track loads only the columns whose words arrived since the last look are recomputed.

#include <cstdint>
#include <memory>
#include <vector>

#include "tracks/SampleData.h"

namespace gm {

class OverviewColumns {
 public:
  struct Extremes {
    std::int16_t maximum = 0;
    std::int16_t minimum = 0;
  };

  // [main-thread] Starts over for a track of `trackFrames` frames (sample may be null: no track).
  // framesPerColumn > 0; columns cover the whole track.
  void reset(std::shared_ptr<const SampleData> sample, std::int64_t trackFrames, double framesPerColumn);
  // [main-thread] Folds in the words the loader published since the last call; true when any column
  // changed or the load was seen to end. Reads only the published words and the end-of-load flag, so
  // it is safe while the loader still writes.
  bool update();

  const SampleData* sample() const { return sample_.get(); }
  int columnCount() const { return static_cast<int>(columns_.size()); }
  const Extremes& column(int index) const { return columns_[static_cast<std::size_t>(index)]; }
  double framesPerColumn() const { return framesPerColumn_; }
  std::int64_t trackFrames() const { return trackFrames_; }
  // Frames whose words have arrived; the rest of the track is still being decoded.
  std::int64_t filledFrames() const;
  // The load has ended and every word it made is in the columns: nothing is pending any more,
  // whatever length was expected when the load began.
  bool complete() const { return complete_; }

 private:
  void foldColumns(std::int64_t firstColumn, std::int64_t lastColumn);

  std::shared_ptr<const SampleData> sample_;
  std::vector<Extremes> columns_;
  double framesPerColumn_ = 1.0;
  std::int64_t trackFrames_ = 0;
  std::int32_t wordsSeen_ = 0;
  bool complete_ = false;
};

}  // namespace gm

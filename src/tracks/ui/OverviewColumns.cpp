#include "tracks/ui/OverviewColumns.h"

#include <algorithm>
#include <cmath>

#include "tracks/ui/ColumnBlocks.h"

namespace gm {
namespace {

constexpr double kWordFrames = SampleData::kBlockFrames;

OverviewColumns::Extremes extremesOf(std::uint32_t word) {
  return {static_cast<std::int16_t>(word >> 16), static_cast<std::int16_t>(word & 0xFFFFu)};
}

}  // namespace

void OverviewColumns::reset(std::shared_ptr<const SampleData> sample, std::int64_t trackFrames, double framesPerColumn) {
  sample_ = std::move(sample);
  framesPerColumn_ = framesPerColumn > 0.0 ? framesPerColumn : 1.0;
  trackFrames_ = std::max<std::int64_t>(0, trackFrames);
  wordsSeen_ = 0;
  complete_ = false;
  const auto count = static_cast<std::size_t>(std::ceil(double(trackFrames_) / framesPerColumn_));
  columns_.assign(sample_ ? count : 0, Extremes{});
  update();
}

bool OverviewColumns::update() {
  if (!sample_ || complete_) return false;
  // The flag first: once it is seen, the count read after it is the final one.
  const bool ended = sample_->loadEnded.load(std::memory_order_acquire);
  const std::int32_t published = sample_->overviewCount.load(std::memory_order_acquire);
  // The array never changes size under a reader (a load of another length ends in a new record).
  const std::int32_t words = std::min(published, static_cast<std::int32_t>(sample_->overview.size()));
  complete_ = ended;
  if (words <= wordsSeen_) return ended;
  // A column can straddle the old edge of the filled words: it is folded again with its new words.
  const auto first = static_cast<std::int64_t>(std::floor(wordsSeen_ * kWordFrames / framesPerColumn_));
  const auto last = static_cast<std::int64_t>(std::floor((words * kWordFrames - 1.0) / framesPerColumn_));
  wordsSeen_ = words;
  foldColumns(first, std::min<std::int64_t>(last, columnCount() - 1));
  return true;
}

void OverviewColumns::foldColumns(std::int64_t firstColumn, std::int64_t lastColumn) {
  const std::vector<std::uint32_t>& overview = sample_->overview;
  for (std::int64_t c = std::max<std::int64_t>(0, firstColumn); c <= lastColumn; ++c) {
    const ColumnBlocks words = ColumnBlocks::of(c, framesPerColumn_);
    const std::int64_t endWord = std::min<std::int64_t>(words.end, wordsSeen_);
    Extremes folded;
    for (std::int64_t w = words.first; w < endWord; ++w) {
      const Extremes word = extremesOf(overview[static_cast<std::size_t>(w)]);
      folded.maximum = std::max(folded.maximum, word.maximum);
      folded.minimum = std::min(folded.minimum, word.minimum);
    }
    columns_[static_cast<std::size_t>(c)] = folded;
  }
}

std::int64_t OverviewColumns::filledFrames() const {
  if (complete()) return trackFrames_;
  return std::min<std::int64_t>(trackFrames_, std::int64_t(wordsSeen_) * SampleData::kBlockFrames);
}

}  // namespace gm

#pragma once
// A track's band analysis folded into display columns, the way OverviewColumns folds the overview
// words: per column the colour waveform (the mean colour of its blocks' columns in the colour image
// and the rows they cover) and each band's largest energy. Folded once when a band or the colour
// image becomes ready, or when the scale changes; painting then only reads the columns.

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include <QRgb>

#include "tracks/SampleData.h"

class QPainter;

namespace gm {

class BandDisplay;

class BandColumns {
 public:
  struct Column {
    QRgb colour = 0;  // 0: nothing to draw
    std::uint8_t topRow = 0;
    std::uint8_t bottomRow = 0;  // inclusive, of the colour image's 64 rows
    std::array<float, kBandCount> energy{};
  };

  // [main-thread] Folds what `display` says is ready of `sample` into columns of `framesPerColumn`
  // frames covering `trackFrames`; does nothing when all of that is what was folded last time.
  void update(const std::shared_ptr<const SampleData>& sample, std::int64_t trackFrames, double framesPerColumn,
              const BandDisplay& display);

  bool hasColour() const { return colour_; }
  bool hasBand(Band band) const { return ready_[static_cast<std::size_t>(band)]; }
  // The band whose curve the views draw for `display`: the one shown, once it is folded here.
  std::optional<Band> curveFor(const BandDisplay& display) const;
  // The views draw these columns for `display` (a band's curve, or the colour waveform when that is
  // wanted and folded) rather than the plain overview.
  bool drawnFor(const BandDisplay& display) const;
  int columnCount() const { return static_cast<int>(columns_.size()); }
  const Column& column(int index) const { return columns_[static_cast<std::size_t>(index)]; }

  // Draws columns firstColumn + x for x in [fromX, toX) at x, within rows top .. top + height: the
  // curve of `band` when given (which must be ready), else the colour waveform. Columns left of
  // `dimBeforeX` (the part already played) are drawn darker.
  void paint(QPainter& painter, std::int64_t firstColumn, int fromX, int toX, int top, int height,
             std::optional<Band> band, int dimBeforeX) const;

 private:
  void fold();
  Column foldBlocks(std::int64_t firstBlock, std::int64_t endBlock) const;

  std::shared_ptr<const SampleData> sample_;
  std::int64_t trackFrames_ = -1;
  double framesPerColumn_ = 0.0;
  std::array<bool, kBandCount> ready_{};
  bool colour_ = false;
  std::vector<Column> columns_;
};

}  // namespace gm

#include "tracks/ui/BandColumns.h"

#include <algorithm>
#include <cmath>

#include <QPainter>

#include "tracks/BandDisplay.h"
#include "tracks/ColourImage.h"
#include "tracks/ui/ColumnBlocks.h"
#include "tracks/ui/DeckPalette.h"

namespace gm {
namespace {

QRgb bandColour(Band band) {
  static constexpr QRgb kColours[kBandCount] = {deck_palette::kBandHigh, deck_palette::kBandMid, deck_palette::kBandLow};
  return kColours[static_cast<int>(band)];
}

QColor shade(QRgb colour, bool dim) {
  if (!dim) return QColor(colour);
  return QColor(qRed(colour) / 2, qGreen(colour) / 2, qBlue(colour) / 2);
}

// The colour image's pixel word (B << 24 | G << 16 | R << 8 | alpha) as red, green and blue.
int redOf(std::uint32_t pixel) { return int((pixel >> 8) & 0xFFu); }
int greenOf(std::uint32_t pixel) { return int((pixel >> 16) & 0xFFu); }
int blueOf(std::uint32_t pixel) { return int(pixel >> 24); }

}  // namespace

void BandColumns::update(const std::shared_ptr<const SampleData>& sample, std::int64_t trackFrames,
                         double framesPerColumn, const BandDisplay& display) {
  std::array<bool, kBandCount> ready{};
  bool colour = false;
  if (sample) {
    const auto blocks = static_cast<std::size_t>(sample->blockCount);
    for (Band band : kBands) {
      ready[std::size_t(band)] = display.ready(band) && sample->bands.of(band).size() == blocks;
    }
    colour = display.colourReady() && sample->bands.colourImage.size() >= ColourImage::pixelCount(sample->blockCount);
  }
  if (sample == sample_ && trackFrames == trackFrames_ && framesPerColumn == framesPerColumn_ && ready == ready_ &&
      colour == colour_) {
    return;
  }
  sample_ = sample;
  trackFrames_ = trackFrames;
  framesPerColumn_ = framesPerColumn;
  ready_ = ready;
  colour_ = colour;
  fold();
}

std::optional<Band> BandColumns::curveFor(const BandDisplay& display) const {
  const std::optional<Band> band = display.shownBand();
  return band && hasBand(*band) ? band : std::nullopt;
}

bool BandColumns::drawnFor(const BandDisplay& display) const {
  return curveFor(display).has_value() || (display.colourised() && colour_);
}

void BandColumns::fold() {
  columns_.clear();
  const bool anyBand = std::find(ready_.begin(), ready_.end(), true) != ready_.end();
  if (!sample_ || framesPerColumn_ <= 0.0 || (!colour_ && !anyBand)) return;
  const auto count = static_cast<std::size_t>(std::ceil(double(std::max<std::int64_t>(0, trackFrames_)) / framesPerColumn_));
  columns_.resize(count);
  for (std::size_t c = 0; c < count; ++c) {
    const ColumnBlocks blocks = ColumnBlocks::of(std::int64_t(c), framesPerColumn_);
    columns_[c] = foldBlocks(blocks.first, std::min<std::int64_t>(blocks.end, sample_->blockCount));
  }
}

BandColumns::Column BandColumns::foldBlocks(std::int64_t firstBlock, std::int64_t endBlock) const {
  Column column;
  int red = 0, green = 0, blue = 0, coloured = 0;
  int topRow = ColourImage::kRows, bottomRow = -1;
  for (std::int64_t block = firstBlock; block < endBlock; ++block) {
    for (Band band : kBands) {
      const auto b = std::size_t(band);
      if (ready_[b]) column.energy[b] = std::max(column.energy[b], sample_->bands.energy[b][std::size_t(block)]);
    }
    if (!colour_) continue;
    // A block's column is one colour over one stretch of rows, or empty.
    const std::uint32_t* pixels = sample_->bands.colourImage.data() + block * ColourImage::kRows;
    const std::uint32_t* top = std::find_if(pixels, pixels + ColourImage::kRows, [](std::uint32_t p) { return p != 0; });
    if (top == pixels + ColourImage::kRows) continue;
    const std::uint32_t* bottom = pixels + ColourImage::kRows - 1;
    while (*bottom == 0) --bottom;
    red += redOf(*top), green += greenOf(*top), blue += blueOf(*top), ++coloured;
    topRow = std::min(topRow, int(top - pixels));
    bottomRow = std::max(bottomRow, int(bottom - pixels));
  }
  if (coloured > 0) {
    column.colour = qRgb(red / coloured, green / coloured, blue / coloured);
    column.topRow = std::uint8_t(topRow);
    column.bottomRow = std::uint8_t(bottomRow);
  }
  return column;
}

void BandColumns::paint(QPainter& painter, std::int64_t firstColumn, int fromX, int toX, int top, int height,
                        std::optional<Band> band, int dimBeforeX) const {
  const int mid = top + height / 2;
  const int reach = std::max(0, height / 2 - 2);
  for (int x = std::max(0, fromX); x < toX; ++x) {
    const std::int64_t c = firstColumn + x;
    if (c < 0 || c >= columnCount()) continue;
    const Column& column = columns_[std::size_t(c)];
    const bool dim = x < dimBeforeX;
    if (band) {
      const float energy = std::min(column.energy[std::size_t(*band)], 1.0f);
      const int half = energy > 0.0f ? int(energy * float(reach)) : 0;
      painter.fillRect(x, mid - half, 1, 2 * half + 1, shade(bandColour(*band), dim));
    } else if (column.colour != 0) {
      const int y0 = top + column.topRow * height / ColourImage::kRows;
      const int y1 = top + (column.bottomRow + 1) * height / ColourImage::kRows;
      painter.fillRect(x, y0, 1, std::max(1, y1 - y0), shade(column.colour, dim));
    }
  }
}

}  // namespace gm

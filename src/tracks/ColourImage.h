#pragma once
// The coloured waveform of a track: one column of 64 pixels per 220-frame block, the block's height
// (its left-channel extremes, scaled so the track's peak reaches the edge) filled with one colour
// whose hue follows the block's spectral balance: red where the high band dominates, green for the
// mid band, blue for the low band. Blocks with a clear balance and a tall shape are saturated;
// quiet or balanced blocks fade to grey.
//
// Pixels are 32-bit words (B << 24 | G << 16 | R << 8 | 0xFF), column c at 64c .. 64c + 63, row 0 at
// the top; 2048 empty columns follow the last block, so a view may read past the end of the track.

#include <cstdint>
#include <span>

#include "tracks/TrackBands.h"

namespace gm {

class ColourImage {
 public:
  static constexpr int kRows = 64;
  static constexpr std::int32_t kPadColumns = 2048;

  // Pixels of the image for a track of `blockCount` blocks.
  static std::size_t pixelCount(std::int32_t blockCount) {
    return (static_cast<std::size_t>(blockCount) + kPadColumns) * kRows;
  }

  // [loader-thread] Fills `image` (pixelCount(overview.size()) pixels, zeroed) for the blocks of
  // `overview` (the loader's words: largest left sample << 16 | smallest) with the track's `peak`.
  // A band given as an empty span counts as 0 in every block. A block whose three bands are all 0
  // keeps an empty column; so does every block of a track with peak 0, which has no height.
  static void build(std::span<const std::uint32_t> overview, std::int32_t peak,
                    const std::array<std::span<const float>, kBandCount>& bands, std::span<std::uint32_t> image);

  // The pixel of a block with band energies (h, m, l), not all 0, and `spanRows` rows of height.
  static std::uint32_t pixel(float high, float mid, float low, std::int32_t spanRows);

  // The height of a block edge above the centre row: (extreme × 64 × gainScale, truncated) >> 16,
  // arithmetically; the edge lies on row 32 minus it.
  static std::int32_t edgeHeight(std::int16_t extreme, float gainScale);
};

}  // namespace gm

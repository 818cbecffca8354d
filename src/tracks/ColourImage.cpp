#include "tracks/ColourImage.h"

#include <algorithm>
#include <cmath>

namespace gm {
namespace {

constexpr std::int32_t kCentreRow = ColourImage::kRows / 2;
// Far beyond any height the image can show (64 << 16), and well inside what an int holds.
constexpr float kProductLimit = float(1 << 22);

struct Colour {
  float red, green, blue;
};

struct Hsv {
  float hue;  // degrees, -1 when undefined
  float saturation;
  float value;
};

// A value in 0..255 truncated to a byte. Values outside (only damaged input can make them) are held
// to the ends first: converting an out-of-range float to an integer is undefined.
std::uint32_t truncatedByte(float value) {
  if (!(value > 0.0f)) return 0;
  if (value >= 255.0f) return 255;
  return static_cast<std::uint32_t>(value);
}

Hsv toHsv(const Colour& c) {
  const float largest = std::max({c.red, c.green, c.blue});
  const float smallest = std::min({c.red, c.green, c.blue});
  Hsv hsv{-1.0f, 0.0f, largest};
  if (largest == 0.0f) return hsv;
  const float delta = largest - smallest;
  hsv.saturation = delta / largest;
  // A grey has no hue; it is never asked for, since a grey stays grey.
  if (delta == 0.0f) return hsv;
  if (c.red == largest) {
    hsv.hue = 60.0f * (c.green - c.blue) / delta;
  } else if (c.green == largest) {
    hsv.hue = 60.0f * (2.0f + (c.blue - c.red) / delta);
  } else {
    hsv.hue = 60.0f * (4.0f + (c.red - c.green) / delta);
  }
  if (hsv.hue < 0.0f) hsv.hue += 360.0f;
  return hsv;
}

Colour fromHsv(const Hsv& hsv) {
  const float v = hsv.value;
  const float s = hsv.saturation;
  if (s == 0.0f) return {v, v, v};
  const float sector = std::floor(hsv.hue / 60.0f);
  const float f = hsv.hue / 60.0f - sector;
  const float p = v * (1.0f - s);
  const float q = v * (1.0f - s * f);
  const float t = v * (1.0f - s * (1.0f - f));
  switch (static_cast<int>(sector)) {
    case 0: return {v, t, p};
    case 1: return {q, v, p};
    case 2: return {p, v, t};
    case 3: return {p, q, v};
    case 4: return {t, p, v};
    default: return {v, p, q};
  }
}

float bandAt(std::span<const float> band, std::size_t block) { return block < band.size() ? band[block] : 0.0f; }

void fillColumn(std::uint32_t* column, std::int32_t topRow, std::int32_t bottomRow, std::uint32_t pixel) {
  for (std::int32_t row = 0; row < ColourImage::kRows; ++row) column[row] = row >= topRow && row <= bottomRow ? pixel : 0u;
}

}  // namespace

std::int32_t ColourImage::edgeHeight(std::int16_t extreme, float gainScale) {
  const float scaled = static_cast<float>(std::int32_t{extreme} * 64) * gainScale;
  return static_cast<std::int32_t>(std::clamp(scaled, -kProductLimit, kProductLimit)) >> 16;
}

std::uint32_t ColourImage::pixel(float high, float mid, float low, std::int32_t spanRows) {
  const float top = std::max({high, mid, low});
  const float inverse = 1.0f / top;
  const auto r = truncatedByte(high * 255.0f * inverse);
  const auto g = truncatedByte(mid * 255.0f * inverse);
  const auto b = truncatedByte(low * 255.0f * inverse);
  Hsv hsv = toHsv({static_cast<float>(r) / 255.0f, static_cast<float>(g) / 255.0f, static_cast<float>(b) / 255.0f});
  // The taller the block, the more of its hue shows.
  hsv.saturation = hsv.saturation * static_cast<float>(spanRows) * (1.0f / 64.0f);
  const Colour shown = fromHsv(hsv);
  return truncatedByte(shown.blue * 255.0f) << 24 | truncatedByte(shown.green * 255.0f) << 16 |
         truncatedByte(shown.red * 255.0f) << 8 | 0xFFu;
}

void ColourImage::build(std::span<const std::uint32_t> overview, std::int32_t peak,
                        const std::array<std::span<const float>, kBandCount>& bands, std::span<std::uint32_t> image) {
  const std::size_t blocks = std::min(overview.size(), image.size() / kRows);
  std::fill(image.begin() + std::ptrdiff_t(blocks * kRows), image.end(), 0u);
  // Peak 0: a track without height (its scale would be infinite) has nothing to draw.
  if (peak <= 0) return;
  const float gainScale = 32767.0f / static_cast<float>(peak);
  for (std::size_t block = 0; block < blocks; ++block) {
    const float high = bandAt(bands[0], block), mid = bandAt(bands[1], block), low = bandAt(bands[2], block);
    if (!(std::max({high, mid, low}) > 0.0f)) continue;
    const std::uint32_t word = overview[block];
    const std::int32_t highY = edgeHeight(static_cast<std::int16_t>(word >> 16), gainScale);
    const std::int32_t lowY = edgeHeight(static_cast<std::int16_t>(word & 0xFFFFu), gainScale);
    // A block reaching the track's negative peak ends on row 64, one past the image: it stops at 63.
    const std::int32_t topRow = std::clamp(kCentreRow - highY, 0, kRows - 1);
    const std::int32_t bottomRow = std::clamp(kCentreRow - lowY, 0, kRows - 1);
    fillColumn(image.data() + block * kRows, topRow, bottomRow, pixel(high, mid, low, highY - lowY));
  }
}

}  // namespace gm

#pragma once
// What band analysis makes of a loaded track: the energy of its high, mid and low frequencies per
// 220-frame block (normalised so the loudest block of each band is 1), and the colour image whose
// hue follows the balance of the three. The loader thread fills it after decoding; the main thread
// reads a band only once the deck has been told it is ready, and the image once analysis finished.

#include <array>
#include <cstdint>
#include <vector>

namespace gm {

// In the order they are analysed; the names are those of the cache files.
enum class Band : int { High = 0, Mid = 1, Low = 2 };
inline constexpr int kBandCount = 3;
inline constexpr std::array<Band, kBandCount> kBands = {Band::High, Band::Mid, Band::Low};

inline const char* bandName(Band band) {
  static constexpr const char* kNames[kBandCount] = {"hi", "mid", "low"};
  return kNames[static_cast<int>(band)];
}

struct TrackBands {
  // One float per block, valid once the band is ready (a band whose memory could not be had never
  // is).
  std::array<std::vector<float>, kBandCount> energy;
  std::array<bool, kBandCount> ready{};
  // Bands read from the waveform cache rather than computed.
  std::array<bool, kBandCount> fromCache{};
  // A band computed for the cache could not be written there. Set after the analysis was reported
  // finished: only the thread that ran the analysis reads it.
  bool cacheWriteFailed = false;
  // (blockCount + ColourImage::kPadColumns) columns of ColourImage::kRows pixels, column-major.
  std::vector<std::uint32_t> colourImage;
  bool colourReady = false;

  const std::vector<float>& of(Band band) const { return energy[static_cast<std::size_t>(band)]; }
  bool isReady(Band band) const { return ready[static_cast<std::size_t>(band)]; }
};

}  // namespace gm

#include "tracks/BandFilter.h"

#include <algorithm>

#include "tracks/SampleData.h"

namespace gm {
namespace {

constexpr std::int32_t kBlocksBetweenChecks = 4096;
constexpr int kFrames = SampleData::kBlockFrames;
constexpr int kHistory = 6;  // inputs the longest numerator looks back

// Every input of a band, by sample value: a division per sample would cost more than the filter.
class InputTable {
 public:
  explicit InputTable(Band band) {
    for (std::size_t i = 0; i < values_.size(); ++i) values_[i] = BandFilter::input(band, std::int16_t(std::uint16_t(i)));
  }
  float operator[](std::int16_t sample) const { return values_[std::uint16_t(sample)]; }

 private:
  std::array<float, 65536> values_;
};

const InputTable& inputTable(Band band) {
  static const InputTable tables[kBandCount] = {InputTable(Band::High), InputTable(Band::Mid), InputTable(Band::Low)};
  return tables[static_cast<int>(band)];
}

// A band's numerator taps for one block. They depend on the inputs alone, so they are formed in a
// pass of their own, which leaves the registers to the feedback of all three bands.
template <Band kBand>
class BlockTaps {
 public:
  void prepare(const std::int16_t* frames) {
    const InputTable& table = inputTable(kBand);
    for (int f = 0; f < kFrames; ++f) inputs_[kHistory + f] = table[frames[2 * f]];
    for (int f = 0; f < kFrames; ++f) taps_[f] = BandEquation<kBand>::taps(&inputs_[kHistory + f]);
    std::copy(inputs_.end() - kHistory, inputs_.end(), inputs_.begin());
  }
  float operator[](int frame) const { return taps_[frame]; }

 private:
  std::array<float, kHistory + kFrames> inputs_{};  // the previous block's last inputs, then this block's
  std::array<float, kFrames> taps_{};
};

// One pass over the blocks for a fixed set of bands. The feedback state of the wanted bands stays in
// registers, and their steps are interleaved: each band's outputs form a chain of dependent steps,
// and running the chains side by side lets the processor overlap them.
template <bool kHigh, bool kMid, bool kLow>
bool measure(const std::int16_t* pcm, std::int32_t blockCount, const std::array<float*, kBandCount>& energies,
             const std::function<bool()>& cancelled) {
  BlockTaps<Band::High> highTaps;
  BlockTaps<Band::Mid> midTaps;
  BlockTaps<Band::Low> lowTaps;
  BandFeedback<Band::High> high;
  BandFeedback<Band::Mid> mid;
  BandFeedback<Band::Low> low;
  for (std::int32_t block = 0; block < blockCount; ++block) {
    if (block % kBlocksBetweenChecks == 0 && cancelled && cancelled()) return false;
    const std::int16_t* frames = pcm + std::size_t(block) * kFrames * 2;
    if constexpr (kHigh) highTaps.prepare(frames);
    if constexpr (kMid) midTaps.prepare(frames);
    if constexpr (kLow) lowTaps.prepare(frames);
    double highSum = 0.0, midSum = 0.0, lowSum = 0.0;
    for (int f = 0; f < kFrames; ++f) {
      if constexpr (kHigh) {
        const float y = high.step(highTaps[f]);
        const float square = y * y;
        highSum += square;
      }
      if constexpr (kMid) {
        const float y = mid.step(midTaps[f]);
        const float square = y * y;
        midSum += square;
      }
      if constexpr (kLow) {
        const float y = low.step(lowTaps[f]);
        const float square = y * y;
        lowSum += square;
      }
    }
    if constexpr (kHigh) energies[0][block] = static_cast<float>(highSum);
    if constexpr (kMid) energies[1][block] = static_cast<float>(midSum);
    if constexpr (kLow) energies[2][block] = static_cast<float>(lowSum);
  }
  return true;
}

}  // namespace

float BandFilter::input(Band band, std::int16_t sample) {
  double scale = BandEquation<Band::Low>::kInputScale;
  if (band == Band::High) scale = BandEquation<Band::High>::kInputScale;
  if (band == Band::Mid) scale = BandEquation<Band::Mid>::kInputScale;
  return static_cast<float>(static_cast<double>(sample) / scale);
}

template <Band kBand>
float BandFilter::stepAs(std::int16_t sample) {
  std::copy(inputs_.begin() + 1, inputs_.end(), inputs_.begin());
  inputs_.back() = input(kBand, sample);
  const float taps = BandEquation<kBand>::taps(&inputs_.back());
  if constexpr (kBand == Band::High) return high_.step(taps);
  if constexpr (kBand == Band::Mid) return mid_.step(taps);
  return low_.step(taps);
}

float BandFilter::step(std::int16_t sample) {
  switch (band_) {
    case Band::High: return stepAs<Band::High>(sample);
    case Band::Mid: return stepAs<Band::Mid>(sample);
    case Band::Low: break;
  }
  return stepAs<Band::Low>(sample);
}

bool BandFilter::blockEnergies(const std::int16_t* pcm, std::int32_t blockCount, const std::array<float*, kBandCount>& energies,
                               const std::function<bool()>& cancelled) {
  const int wanted = (energies[0] ? 1 : 0) | (energies[1] ? 2 : 0) | (energies[2] ? 4 : 0);
  switch (wanted) {
    case 1: return measure<true, false, false>(pcm, blockCount, energies, cancelled);
    case 2: return measure<false, true, false>(pcm, blockCount, energies, cancelled);
    case 3: return measure<true, true, false>(pcm, blockCount, energies, cancelled);
    case 4: return measure<false, false, true>(pcm, blockCount, energies, cancelled);
    case 5: return measure<true, false, true>(pcm, blockCount, energies, cancelled);
    case 6: return measure<false, true, true>(pcm, blockCount, energies, cancelled);
    case 7: return measure<true, true, true>(pcm, blockCount, energies, cancelled);
    default: return true;
  }
}

}  // namespace gm

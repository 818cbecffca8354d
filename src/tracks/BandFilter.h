#pragma once
// The band filters that split a track's left channel for its coloured waveform: Butterworth filters
// for 44100 Hz in direct form with single-precision state, each input scaled to unity gain in the
// pass band first.
//   high: 3rd-order high-pass at 4000 Hz      mid: 6th-order band-pass 200..4000 Hz
//   low:  3rd-order low-pass at 200 Hz
// The arithmetic is fixed to the bit, so that cached bands and freshly computed ones agree on every
// machine: the input is the sample divided by the scale in double precision, kept in single
// precision; the numerator is summed in single precision as 3 × (middle taps) + (outer taps); the
// feedback terms are then added to it in double precision one at a time, oldest output first, and the
// output is kept in single precision.

#include <array>
#include <cstdint>
#include <functional>

#include "tracks/TrackBands.h"

namespace gm {

// Each band's difference equation.
template <Band kBand>
struct BandEquation;

template <>
struct BandEquation<Band::High> {
  static constexpr double kInputScale = 1.782588295;
  // y[n] = (x[n] - 3 x[n-1] + 3 x[n-2] - x[n-3]) + 1.8730272484 y[n-1] - 1.3003269546 y[n-2] + 0.3145020361 y[n-3]
  static constexpr std::array<double, 3> kFeedbackOldestFirst = {0.3145020361, -1.3003269546, 1.8730272484};
  // `x` points at x[n]; x[-k] is the input k samples back.
  static float taps(const float* x) { return 3.0f * (x[-2] - x[-1]) + (x[0] - x[-3]); }
};

template <>
struct BandEquation<Band::Mid> {
  static constexpr double kInputScale = 80.66546763;
  // y[n] = (x[n] - 3 x[n-2] + 3 x[n-4] - x[n-6]) + 4.8873795394 y[n-1] - 10.009948782 y[n-2]
  //        + 11.032704813 y[n-3] - 6.9190671196 y[n-4] + 2.3427319511 y[n-5] - 0.3338030572 y[n-6]
  static constexpr std::array<double, 6> kFeedbackOldestFirst = {-0.3338030572, 2.3427319511, -6.9190671196,
                                                                 11.032704813,  -10.009948782, 4.8873795394};
  static float taps(const float* x) { return 3.0f * (x[-4] - x[-2]) + (x[0] - x[-6]); }
};

template <>
struct BandEquation<Band::Low> {
  static constexpr double kInputScale = 355683.4965;
  // y[n] = (x[n] + 3 x[n-1] + 3 x[n-2] + x[n-3]) + 2.9430115838 y[n-1] - 2.8876354454 y[n-2] + 0.9446013698 y[n-3]
  static constexpr std::array<double, 3> kFeedbackOldestFirst = {0.9446013698, -2.8876354454, 2.9430115838};
  static float taps(const float* x) { return 3.0f * (x[-1] + x[-2]) + (x[0] + x[-3]); }
};

// The recursive half of a band's filter: the past outputs (single-precision values, kept widened to
// double since each takes part in several products) and the step that adds their terms to the taps.
template <Band kBand>
class BandFeedback {
 public:
  static constexpr std::size_t kOrder = BandEquation<kBand>::kFeedbackOldestFirst.size();

  [[gnu::always_inline]] float step(float taps) {
    constexpr const auto& c = BandEquation<kBand>::kFeedbackOldestFirst;
    double y = taps;
#pragma GCC unroll 6
    for (std::size_t k = 0; k < kOrder; ++k) y += c[k] * past_[kOrder - 1 - k];
    const auto output = static_cast<float>(y);
    // Shifted by hand (unrolled): a loop here would become a call to memmove and take the state out
    // of the registers.
#pragma GCC unroll 6
    for (std::size_t k = kOrder - 1; k > 0; --k) past_[k] = past_[k - 1];
    past_[0] = output;
    return output;
  }

 private:
  std::array<double, kOrder> past_{};  // past_[k]: the output k + 1 samples back
};

class BandFilter {
 public:
  // A filter at rest (all inputs and outputs so far zero).
  explicit BandFilter(Band band) : band_(band) {}

  // The output for the next left-channel sample, one at a time.
  float step(std::int16_t sample);

  // The sample divided by the band's scale in double precision, kept in single precision.
  static float input(Band band, std::int16_t sample);

  // [loader-thread] The energy of each whole 220-frame block of interleaved stereo `pcm` in the bands
  // whose `energies` entry is not null (blockCount floats each): the sum of the squared filter outputs
  // of the block's left samples, each square in single precision, summed in double precision. All
  // wanted bands are filtered in one pass from rest; the result equals what step() gives. False
  // (energies partly written) when `cancelled` said so; it is asked every few thousand blocks.
  static bool blockEnergies(const std::int16_t* pcm, std::int32_t blockCount, const std::array<float*, kBandCount>& energies,
                            const std::function<bool()>& cancelled);

 private:
  template <Band kBand>
  float stepAs(std::int16_t sample);

  Band band_;
  std::array<float, 7> inputs_{};  // inputs_[6 - k]: the input k samples back
  BandFeedback<Band::High> high_;
  BandFeedback<Band::Mid> mid_;
  BandFeedback<Band::Low> low_;
};

}  // namespace gm

#pragma once
// A deck's three-band equaliser with kill switches. Each channel runs six biquad sections: a low
// shelf, a mid peak and a high shelf that the band knobs set, and three fixed "kill" filters
// (low-pass 4000 Hz, notch 1500 Hz, high-pass 350 Hz). A band's kill switch swaps its shelf or
// peak for its kill filter; all sections run on every sample whether their output is used or not,
// so a section that is switched back in carries on from a live history instead of clicking.
//
// Locking: the owning deck calls setup(), reset() and setKills() from the main thread and run()
// from the audio thread, all under the deck's lock, so a block never runs with half-computed
// coefficients. The equaliser itself has no lock and never allocates.

#include <array>
#include <cstddef>
#include <span>

#include "audio/Biquad.h"
#include "audio/SampleBlock.h"

namespace gm {

struct EqualiserBand {
  int frequencyHz;
  int resonance;  // Q × 1000
  int lowerLimitDb;
  int upperLimitDb;
};

struct EqualiserSettings {
  EqualiserBand high{8000, 500, -18, 12};
  EqualiserBand mid{800, 200, -18, 12};
  EqualiserBand low{80, 500, -18, 12};
};

class DeckEqualiser {
 public:
  // Storage order of a channel's sections.
  enum Section { kLowShelf, kMidPeak, kHighShelf, kHighKill, kMidKill, kLowKill, kSectionCount };
  static constexpr int kMaxChannels = 2;

  // Recomputes all twelve sections for the band settings and the deck's current band gains.
  // Frequencies and resonances are held to the settings' ranges and gains to what the band knobs
  // can reach, so that no input can make a section infinite or NaN.
  void setup(const EqualiserSettings& settings, float highDb, float midDb, float lowDb);  // [main-thread]

  // Makes the next setup() start every section from silence.
  void reset();  // [main-thread]

  void setKills(bool high, bool mid, bool low);  // [main-thread]
  bool highKill() const { return highKill_; }
  bool midKill() const { return midKill_; }
  bool lowKill() const { return lowKill_; }

  // Filters `count` interleaved samples in place. Channel c's sections run on samples c,
  // c + channels, ...; only the first two channels are filtered. With all three kills on the
  // whole buffer comes out silent.
  void run(float* samples, std::size_t count, int channels);  // [audio-thread]

  // The deck's path: converts the 16-bit block to floats in `work`, filters it, and stores the
  // result clamped to the 16-bit range and truncated toward zero (NaN, which only broken input
  // could produce, stores as 0). A `work` smaller than the block is used in turns, with the same
  // result; one that cannot hold a single frame leaves the block untouched.
  void runBlock(SampleBlock block, std::span<float> work);  // [audio-thread]

  // Gain in dB of a band knob at `knobValue` (clamped to 0..255, 127 = flat): above 127 it rises
  // to 128/127 × upperLimitDb, below it falls to exactly lowerLimitDb (a negative number).
  static float bandGainDb(int knobValue, int lowerLimitDb, int upperLimitDb);

  const Biquad& section(int channel, Section section) const {
    return sections_[static_cast<std::size_t>(channel)][static_cast<std::size_t>(section)];
  }

 private:
  using ChannelSections = std::array<Biquad, kSectionCount>;

  void runChannel(ChannelSections& sections, float* samples, std::size_t first, std::size_t count,
                  std::size_t stride) const;

  std::array<ChannelSections, kMaxChannels> sections_{};
  bool highKill_ = false;
  bool midKill_ = false;
  bool lowKill_ = false;
};

}  // namespace gm

#include "audio/DeckEqualiser.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace gm {

namespace {

// The fixed kill filters: wide enough to take a band out without touching its neighbours much.
constexpr double kHighKillHz = 4000.0;
constexpr double kHighKillQ = 0.707;
constexpr double kMidKillHz = 1500.0;
constexpr double kMidKillQ = 0.1;
constexpr double kLowKillHz = 350.0;
constexpr double kLowKillQ = 0.707;

// The settings' slider ranges. Values outside them never come from the settings window; holding
// them here keeps every section finite whatever a caller passes (Q 0 would divide by zero, and
// frequencies at or past Nyquist fold over).
struct BandLimits {
  int minFrequencyHz, maxFrequencyHz, minResonance, maxResonance;
};
constexpr BandLimits kHighBandLimits{1000, 20000, 33, 8000};
constexpr BandLimits kMidBandLimits{200, 4000, 33, 1500};
constexpr BandLimits kLowBandLimits{40, 400, 33, 8000};

// The widest gain a band knob can ask for: 128/127 of the largest upper limit, 18 dB.
constexpr float kMaxBandGainDb = 18.0f * 128.0f / 127.0f;

void designBand(Biquad& section, BiquadType type, const EqualiserBand& band, const BandLimits& limits,
                float gainDb) {
  const int frequencyHz = std::clamp(band.frequencyHz, limits.minFrequencyHz, limits.maxFrequencyHz);
  const int resonance = std::clamp(band.resonance, limits.minResonance, limits.maxResonance);
  const float heldGainDb = std::isnan(gainDb) ? 0.0f : std::clamp(gainDb, -kMaxBandGainDb, kMaxBandGainDb);
  section.design(type, frequencyHz, heldGainDb, resonance / 1000.0);
}

std::int16_t toSample(float value) {
  if (value >= 32767.0f) {
    return 32767;
  }
  if (value <= -32768.0f) {
    return -32768;
  }
  if (std::isnan(value)) {
    return 0;
  }
  return static_cast<std::int16_t>(value);  // truncates toward zero
}

}  // namespace

void DeckEqualiser::setup(const EqualiserSettings& settings, float highDb, float midDb, float lowDb) {
  for (ChannelSections& sections : sections_) {
    designBand(sections[kLowShelf], BiquadType::LowShelf, settings.low, kLowBandLimits, lowDb);
    designBand(sections[kMidPeak], BiquadType::MidPeak, settings.mid, kMidBandLimits, midDb);
    designBand(sections[kHighShelf], BiquadType::HighShelf, settings.high, kHighBandLimits, highDb);
    sections[kHighKill].design(BiquadType::HighKill, kHighKillHz, 0.0, kHighKillQ);
    sections[kMidKill].design(BiquadType::MidKill, kMidKillHz, 0.0, kMidKillQ);
    sections[kLowKill].design(BiquadType::LowKill, kLowKillHz, 0.0, kLowKillQ);
  }
}

void DeckEqualiser::reset() {
  for (ChannelSections& sections : sections_) {
    for (Biquad& section : sections) {
      section.clear();
    }
  }
}

void DeckEqualiser::setKills(bool high, bool mid, bool low) {
  highKill_ = high;
  midKill_ = mid;
  lowKill_ = low;
}

void DeckEqualiser::run(float* samples, std::size_t count, int channels) {
  if (samples == nullptr || channels <= 0) {
    return;
  }
  const auto stride = static_cast<std::size_t>(channels);
  const int filteredChannels = std::min(channels, kMaxChannels);
  for (int channel = 0; channel < filteredChannels; ++channel) {
    runChannel(sections_[static_cast<std::size_t>(channel)], samples, static_cast<std::size_t>(channel), count,
               stride);
  }
  if (highKill_ && midKill_ && lowKill_) {
    std::fill(samples, samples + count, 0.0f);
  }
}

// The sections are copied to locals for the loop: the samples are floats too, so the compiler
// would otherwise have to assume every store may change a coefficient and reload them all.
void DeckEqualiser::runChannel(ChannelSections& sections, float* samples, std::size_t first, std::size_t count,
                               std::size_t stride) const {
  Biquad highKill = sections[kHighKill];
  Biquad highShelf = sections[kHighShelf];
  Biquad midKill = sections[kMidKill];
  Biquad midPeak = sections[kMidPeak];
  Biquad lowKill = sections[kLowKill];
  Biquad lowShelf = sections[kLowShelf];
  const bool killHigh = highKill_;
  const bool killMid = midKill_;
  const bool killLow = lowKill_;
  for (std::size_t i = first; i < count; i += stride) {
    float value = samples[i];
    const float highKilled = highKill.step(value);
    value = killHigh ? highKilled : value;
    const float highShelved = highShelf.step(value);
    value = killHigh ? value : highShelved;
    const float midKilled = midKill.step(value);
    value = killMid ? midKilled : value;
    const float midPeaked = midPeak.step(value);
    value = killMid ? value : midPeaked;
    const float lowKilled = lowKill.step(value);
    value = killLow ? lowKilled : value;
    const float lowShelved = lowShelf.step(value);
    value = killLow ? value : lowShelved;
    samples[i] = value;
  }
  sections[kHighKill] = highKill;
  sections[kHighShelf] = highShelf;
  sections[kMidKill] = midKill;
  sections[kMidPeak] = midPeak;
  sections[kLowKill] = lowKill;
  sections[kLowShelf] = lowShelf;
}

void DeckEqualiser::runBlock(SampleBlock block, std::span<float> work) {
  const std::size_t chunkSamples = work.size() / kChannels * kChannels;
  if (chunkSamples == 0 || block.samples == nullptr) {
    return;
  }
  const std::size_t total = block.sampleCount();
  for (std::size_t first = 0; first < total; first += chunkSamples) {
    const std::size_t count = std::min(chunkSamples, total - first);
    std::int16_t* samples = block.samples + first;
    for (std::size_t i = 0; i < count; ++i) {
      work[i] = static_cast<float>(samples[i]);
    }
    run(work.data(), count, kChannels);
    for (std::size_t i = 0; i < count; ++i) {
      samples[i] = toSample(work[i]);
    }
  }
}

// The quotient limit / 127 is taken in double and rounded to float; the product with (v − 127)
// is then a single-precision multiplication. With this split v = 0 lands exactly on every lower
// limit from −1 to −18 dB, and the flat position gives exactly 0.
float DeckEqualiser::bandGainDb(int knobValue, int lowerLimitDb, int upperLimitDb) {
  const int v = std::clamp(knobValue, 0, 255);
  const double dbPerStep = v > 127 ? upperLimitDb / 127.0 : -lowerLimitDb / 127.0;
  return static_cast<float>(v - 127) * static_cast<float>(dbPerStep);
}

}  // namespace gm

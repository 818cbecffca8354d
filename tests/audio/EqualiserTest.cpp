#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstdint>
#include <limits>
#include <numbers>
#include <random>
#include <vector>

#include "audio/Biquad.h"
#include "audio/DeckEqualiser.h"

namespace gm {
namespace {

constexpr double kRate = 44100.0;

std::vector<float> noise(std::size_t samples, unsigned seed, float amplitude = 32767.0f) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<float> distribution(-amplitude, amplitude);
  std::vector<float> values(samples);
  for (float& value : values) {
    value = distribution(random);
  }
  return values;
}

// Both channels carry the same sine.
std::vector<float> stereoTone(double frequencyHz, std::size_t frames, double amplitude = 10000.0) {
  std::vector<float> values(frames * 2);
  for (std::size_t i = 0; i < frames; ++i) {
    const auto value = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequencyHz * i / kRate));
    values[2 * i] = value;
    values[2 * i + 1] = value;
  }
  return values;
}

// Level of the left channel from sample `from` on, in dB of its RMS.
double leftLevelDb(const std::vector<float>& values, std::size_t from) {
  double sum = 0.0;
  std::size_t n = 0;
  for (std::size_t i = from; i < values.size(); i += 2) {
    sum += static_cast<double>(values[i]) * values[i];
    ++n;
  }
  return 10.0 * std::log10(sum / static_cast<double>(n));
}

// Change of level of a tone through a freshly set-up equaliser, measured after 0.2 s of settling.
double toneGainDb(double frequencyHz, bool highKill, float lowDb = 0.0f) {
  DeckEqualiser equaliser;
  equaliser.setup(EqualiserSettings{}, 0.0f, 0.0f, lowDb);
  equaliser.setKills(highKill, false, false);
  const std::vector<float> input = stereoTone(frequencyHz, 44100);
  std::vector<float> output = input;
  equaliser.run(output.data(), output.size(), 2);
  return leftLevelDb(output, 8820) - leftLevelDb(input, 8820);
}

// |H(e^jw)| of a section's stored coefficients, in dB, evaluated in double.
double responseDb(const Biquad& s, double frequencyHz) {
  const std::complex<double> z1 = std::polar(1.0, -2.0 * std::numbers::pi * frequencyHz / kRate);
  const std::complex<double> z2 = z1 * z1;
  const std::complex<double> h = (double(s.b0) + double(s.b1) * z1 + double(s.b2) * z2) /
                                 (double(s.a0) + double(s.a1) * z1 + double(s.a2) * z2);
  return 20.0 * std::log10(std::abs(h));
}

TEST(BiquadDesign, StoresTheFormulaValuesRoundedToFloat) {
  // Low shelf, 80 Hz, +7.5 dB, Q 0.5, written out from the textbook shelf in double.
  const double A = std::exp(7.5 / 40.0 * std::log(10.0));
  const double w = 2.0 * std::numbers::pi * 80.0 / 44100.0;
  const double c = std::cos(w);
  const double slope = std::sqrt(2.0 * A) * std::sin(w);
  Biquad shelf;
  shelf.design(BiquadType::LowShelf, 80.0, 7.5, 0.5);
  EXPECT_FLOAT_EQ(shelf.b0, static_cast<float>(A * (A + 1 - (A - 1) * c + slope)));
  EXPECT_FLOAT_EQ(shelf.b1, static_cast<float>(2 * A * (A - 1 - (A + 1) * c)));
  EXPECT_FLOAT_EQ(shelf.b2, static_cast<float>(A * (A + 1 - (A - 1) * c - slope)));
  EXPECT_FLOAT_EQ(shelf.a0, static_cast<float>(A + 1 + (A - 1) * c + slope));
  EXPECT_FLOAT_EQ(shelf.a1, static_cast<float>(-2 * (A - 1 + (A + 1) * c)));
  EXPECT_FLOAT_EQ(shelf.a2, static_cast<float>(A + 1 + (A - 1) * c - slope));

  // Notch, 1500 Hz, Q 0.1.
  const double wn = 2.0 * std::numbers::pi * 1500.0 / 44100.0;
  const double alpha = std::sin(wn) / 0.2;
  Biquad notch;
  notch.design(BiquadType::MidKill, 1500.0, 0.0, 0.1);
  EXPECT_EQ(notch.b0, 1.0f);
  EXPECT_EQ(notch.b2, 1.0f);
  EXPECT_FLOAT_EQ(notch.b1, static_cast<float>(-2.0 * std::cos(wn)));
  EXPECT_EQ(notch.a1, notch.b1);
  EXPECT_FLOAT_EQ(notch.a0, static_cast<float>(1.0 + alpha));
  EXPECT_FLOAT_EQ(notch.a2, static_cast<float>(1.0 - alpha));
}

TEST(BiquadDesign, EveryTypeHasItsDesignedResponse) {
  Biquad s;
  s.design(BiquadType::MidPeak, 800.0, -9.0, 0.2);
  EXPECT_NEAR(responseDb(s, 800.0), -9.0, 0.01);
  EXPECT_NEAR(responseDb(s, 1.0), 0.0, 0.1);
  EXPECT_NEAR(responseDb(s, 21000.0), 0.0, 0.1);

  s.design(BiquadType::LowShelf, 80.0, 6.0, 0.5);
  EXPECT_NEAR(responseDb(s, 1.0), 6.0, 0.01);
  EXPECT_NEAR(responseDb(s, 22049.0), 0.0, 0.01);

  s.design(BiquadType::HighShelf, 8000.0, -12.0, 0.5);
  EXPECT_NEAR(responseDb(s, 1.0), 0.0, 0.01);
  EXPECT_NEAR(responseDb(s, 22049.0), -12.0, 0.01);

  // The kills: high-pass and low-pass at −3 dB at their corner (Q 0.707), notch deep at its centre.
  s.design(BiquadType::LowKill, 350.0, 0.0, 0.707);
  EXPECT_NEAR(responseDb(s, 350.0), -3.01, 0.02);
  EXPECT_LT(responseDb(s, 20.0), -40.0);
  EXPECT_NEAR(responseDb(s, 10000.0), 0.0, 0.01);

  s.design(BiquadType::HighKill, 4000.0, 0.0, 0.707);
  EXPECT_NEAR(responseDb(s, 4000.0), -3.01, 0.02);
  EXPECT_NEAR(responseDb(s, 100.0), 0.0, 0.01);
  EXPECT_LT(responseDb(s, 20000.0), -40.0);

  s.design(BiquadType::MidKill, 1500.0, 0.0, 0.1);
  EXPECT_LT(responseDb(s, 1500.0), -60.0);
}

TEST(BiquadDesign, UnknownTypeKeepsCoefficientsButStillInitialises) {
  Biquad s;
  s.x1 = s.x2 = s.y1 = s.y2 = 5.0f;
  s.design(7, 1000.0, 3.0, 1.0);
  EXPECT_TRUE(s.initialised);
  EXPECT_EQ(s.x1, 0.0f);
  EXPECT_EQ(s.y2, 0.0f);
  EXPECT_EQ(s.b0, 0.0f);
  EXPECT_EQ(s.a0, 1.0f);

  s.design(BiquadType::HighShelf, 8000.0, 4.0, 0.5);
  const Biquad designed = s;
  for (int type : {-1, 6, 100}) {
    s.design(type, 500.0, -10.0, 2.0);
    EXPECT_EQ(s.b0, designed.b0) << type;
    EXPECT_EQ(s.b1, designed.b1) << type;
    EXPECT_EQ(s.b2, designed.b2) << type;
    EXPECT_EQ(s.a0, designed.a0) << type;
    EXPECT_EQ(s.a1, designed.a1) << type;
    EXPECT_EQ(s.a2, designed.a2) << type;
  }
}

TEST(Biquad, StepFollowsTheRecursionAndClearTakesEffectAtTheNextDesign) {
  // y = (x + 0.5·y1) / 2: the impulse response halves, then quarters, ... and a0 divides.
  Biquad s;
  s.initialised = true;
  s.b0 = 1.0f;
  s.a0 = 2.0f;
  s.a1 = -0.5f;
  s.a2 = 0.0f;
  EXPECT_EQ(s.step(1.0f), 0.5f);
  EXPECT_EQ(s.step(0.0f), 0.125f);
  EXPECT_EQ(s.step(0.0f), 0.03125f);
  EXPECT_EQ(s.x1, 0.0f);
  EXPECT_EQ(s.x2, 0.0f);
  EXPECT_EQ(s.y1, 0.03125f);
  EXPECT_EQ(s.y2, 0.125f);

  // A plain re-design keeps the history; after clear() the next design starts from silence.
  s.design(BiquadType::MidPeak, 800.0, 3.0, 0.2);
  EXPECT_EQ(s.y1, 0.03125f);
  s.clear();
  EXPECT_EQ(s.y1, 0.03125f);
  s.design(BiquadType::MidPeak, 800.0, 3.0, 0.2);
  EXPECT_EQ(s.y1, 0.0f);
  EXPECT_EQ(s.y2, 0.0f);
}

TEST(DeckEqualiser, AllThreeKillsSilenceTheBlock) {
  DeckEqualiser equaliser;
  equaliser.setup(EqualiserSettings{}, 6.0f, 6.0f, 6.0f);
  equaliser.setKills(true, true, true);
  std::vector<float> samples = noise(1024, 3);
  equaliser.run(samples.data(), samples.size(), 2);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float v) { return v == 0.0f; }));
}

// With two kills on, the output is the remaining band's section after the two kill filters.
TEST(DeckEqualiser, TwoKillsLeaveTheRemainingBandThroughBothKillFilters) {
  const EqualiserSettings settings;
  const std::vector<float> input = noise(4000, 4);

  DeckEqualiser highMid;
  highMid.setup(settings, 3.0f, -6.0f, 6.0f);
  highMid.setKills(true, true, false);
  std::vector<float> output = input;
  highMid.run(output.data(), output.size(), 2);
  for (std::size_t channel = 0; channel < 2; ++channel) {
    Biquad lowPass, notch, lowShelf;
    lowPass.design(BiquadType::HighKill, 4000.0, 0.0, 0.707);
    notch.design(BiquadType::MidKill, 1500.0, 0.0, 0.1);
    lowShelf.design(BiquadType::LowShelf, 80.0, 6.0, 0.5);
    for (std::size_t i = channel; i < input.size(); i += 2) {
      ASSERT_EQ(output[i], lowShelf.step(notch.step(lowPass.step(input[i])))) << "sample " << i;
    }
    // The unused sections ran too, each fed with what reached its place in the chain.
    const int c = static_cast<int>(channel);
    EXPECT_EQ(highMid.section(c, DeckEqualiser::kHighShelf).x1, lowPass.y1);
    EXPECT_EQ(highMid.section(c, DeckEqualiser::kMidPeak).x1, notch.y1);
    EXPECT_EQ(highMid.section(c, DeckEqualiser::kLowKill).x1, notch.y1);
    EXPECT_NE(highMid.section(c, DeckEqualiser::kLowKill).y1, 0.0f);
  }

  DeckEqualiser midLow;
  midLow.setup(settings, 3.0f, -6.0f, 6.0f);
  midLow.setKills(false, true, true);
  output = input;
  midLow.run(output.data(), output.size(), 2);
  for (std::size_t channel = 0; channel < 2; ++channel) {
    Biquad highShelf, notch, highPass;
    highShelf.design(BiquadType::HighShelf, 8000.0, 3.0, 0.5);
    notch.design(BiquadType::MidKill, 1500.0, 0.0, 0.1);
    highPass.design(BiquadType::LowKill, 350.0, 0.0, 0.707);
    for (std::size_t i = channel; i < input.size(); i += 2) {
      ASSERT_EQ(output[i], highPass.step(notch.step(highShelf.step(input[i])))) << "sample " << i;
    }
  }
}

TEST(DeckEqualiser, FlatBandsPassTheSignalWithinRounding) {
  DeckEqualiser equaliser;
  equaliser.setup(EqualiserSettings{}, 0.0f, 0.0f, 0.0f);
  const std::vector<float> input = noise(2 * 44100, 5);
  std::vector<float> output = input;
  equaliser.run(output.data(), output.size(), 2);
  double signal = 0.0, error = 0.0, worst = 0.0;
  for (std::size_t i = 0; i < input.size(); ++i) {
    const double difference = static_cast<double>(output[i]) - input[i];
    signal += static_cast<double>(input[i]) * input[i];
    error += difference * difference;
    worst = std::max(worst, std::abs(difference));
  }
  // Float rounding recirculates through the 80 Hz shelf's slow poles: about −86 dB, a few
  // 16-bit steps at worst on full-scale noise. A wrong coefficient would be far louder.
  EXPECT_LT(10.0 * std::log10(error / signal), -80.0);
  EXPECT_LT(worst, 16.0);
}

TEST(DeckEqualiser, HighKillRemovesHighsWhileTheOtherBandsStillAct) {
  EXPECT_LT(toneGainDb(10000.0, true), -15.0);  // about −18.8 dB: second order from 4 kHz
  EXPECT_LT(toneGainDb(16000.0, true), -30.0);
  EXPECT_NEAR(toneGainDb(200.0, true), 0.0, 0.1);
  EXPECT_NEAR(toneGainDb(10000.0, false), 0.0, 0.1);
  // The low shelf still boosts a 40 Hz tone with the high kill on, exactly as much as without it.
  const double boostedWithKill = toneGainDb(40.0, true, 9.0f);
  EXPECT_GT(boostedWithKill, 6.0);
  EXPECT_NEAR(boostedWithKill, toneGainDb(40.0, false, 9.0f), 0.05);
}

TEST(DeckEqualiser, ResetThenSetupStartsFromSilence) {
  const EqualiserSettings settings;
  const std::vector<float> first = noise(2000, 6);
  const std::vector<float> second = noise(2000, 7);

  DeckEqualiser used, kept;
  for (DeckEqualiser* equaliser : {&used, &kept}) {
    equaliser->setup(settings, 4.0f, -3.0f, 8.0f);
    std::vector<float> scratch = first;
    equaliser->run(scratch.data(), scratch.size(), 2);
  }
  used.reset();
  used.setup(settings, 4.0f, -3.0f, 8.0f);
  kept.setup(settings, 4.0f, -3.0f, 8.0f);
  DeckEqualiser fresh;
  fresh.setup(settings, 4.0f, -3.0f, 8.0f);

  std::vector<float> afterReset = second, afterSetupOnly = second, fromFresh = second;
  used.run(afterReset.data(), afterReset.size(), 2);
  kept.run(afterSetupOnly.data(), afterSetupOnly.size(), 2);
  fresh.run(fromFresh.data(), fromFresh.size(), 2);
  EXPECT_EQ(afterReset, fromFresh);
  EXPECT_NE(afterSetupOnly, fromFresh);  // without the reset the old history rings on
}

TEST(DeckEqualiser, ChannelsAreFilteredIndependently) {
  const std::vector<float> mono = noise(999, 8);
  std::vector<float> stereo(2 * mono.size(), 0.0f);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    stereo[2 * i] = mono[i];
  }
  DeckEqualiser monoEqualiser, stereoEqualiser;
  monoEqualiser.setup(EqualiserSettings{}, 5.0f, -4.0f, 7.0f);
  stereoEqualiser.setup(EqualiserSettings{}, 5.0f, -4.0f, 7.0f);
  std::vector<float> monoOut = mono;
  monoEqualiser.run(monoOut.data(), monoOut.size(), 1);
  stereoEqualiser.run(stereo.data(), stereo.size(), 2);
  for (std::size_t i = 0; i < mono.size(); ++i) {
    ASSERT_EQ(stereo[2 * i], monoOut[i]) << i;
    ASSERT_EQ(stereo[2 * i + 1], 0.0f) << i;
  }
  // Nonsense channel counts leave the buffer alone instead of looping or reading out of bounds.
  std::vector<float> untouched = mono;
  stereoEqualiser.run(untouched.data(), untouched.size(), 0);
  stereoEqualiser.run(nullptr, 10, 2);
  EXPECT_EQ(untouched, mono);
}

TEST(DeckEqualiser, BandGainFigures) {
  EXPECT_EQ(DeckEqualiser::bandGainDb(0, -18, 12), -18.0f);
  EXPECT_EQ(DeckEqualiser::bandGainDb(-40, -18, 12), -18.0f);  // clamped to 0
  for (int lower = -18; lower <= -3; ++lower) {
    EXPECT_EQ(DeckEqualiser::bandGainDb(0, lower, 12), static_cast<float>(lower)) << lower;
  }
  EXPECT_EQ(DeckEqualiser::bandGainDb(127, -18, 12), 0.0f);
  EXPECT_FLOAT_EQ(DeckEqualiser::bandGainDb(255, -18, 12), 12.094488f);
  EXPECT_EQ(DeckEqualiser::bandGainDb(300, -18, 12), DeckEqualiser::bandGainDb(255, -18, 12));
  EXPECT_FLOAT_EQ(DeckEqualiser::bandGainDb(64, -18, 12), -8.929134f);
  // Where a double product would round differently: −117 × float(3/127) in single precision.
  EXPECT_EQ(DeckEqualiser::bandGainDb(10, -3, 12), -0x1.61c386p+1f);
  EXPECT_NE(DeckEqualiser::bandGainDb(10, -3, 12), static_cast<float>(-117 * (3 / 127.0)));
}

TEST(DeckEqualiser, OutOfRangeSettingsKeepTheOutputFinite) {
  EqualiserSettings settings;
  settings.high = {30000, 0, -18, 12};
  settings.mid = {0, -5, -18, 12};
  settings.low = {22050, 100000, -18, 12};
  DeckEqualiser equaliser;
  equaliser.setup(settings, std::numeric_limits<float>::infinity(), std::numeric_limits<float>::quiet_NaN(),
                  -1000.0f);
  std::vector<float> samples = noise(4096, 9);
  equaliser.run(samples.data(), samples.size(), 2);
  EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](float v) { return std::isfinite(v); }));
}

std::vector<std::int16_t> squareWave(std::size_t frames) {
  std::vector<std::int16_t> samples(frames * 2);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = (i / 2) % 1470 < 735 ? std::int16_t{32767} : std::int16_t{-32768};  // 30 Hz
  }
  return samples;
}

TEST(DeckEqualiser, BlockHelperClampsOvershootAndTruncates) {
  const std::vector<std::int16_t> input = squareWave(4410);
  const float boostDb = DeckEqualiser::bandGainDb(255, -18, 12);

  // What the float path produces, clamped and truncated by hand.
  std::vector<float> reference(input.begin(), input.end());
  DeckEqualiser floatEqualiser;
  floatEqualiser.setup(EqualiserSettings{}, 0.0f, 0.0f, boostDb);
  floatEqualiser.run(reference.data(), reference.size(), 2);

  std::vector<std::int16_t> block = input;
  std::vector<float> work(block.size());
  DeckEqualiser equaliser;
  equaliser.setup(EqualiserSettings{}, 0.0f, 0.0f, boostDb);
  equaliser.runBlock(SampleBlock{block.data(), 4410}, work);

  std::size_t clippedHigh = 0, clippedLow = 0;
  for (std::size_t i = 0; i < block.size(); ++i) {
    const float y = reference[i];
    if (y >= 32767.0f) {
      ASSERT_EQ(block[i], 32767) << i;
      ++clippedHigh;
    } else if (y <= -32768.0f) {
      ASSERT_EQ(block[i], -32768) << i;
      ++clippedLow;
    } else {
      ASSERT_EQ(block[i], static_cast<std::int16_t>(std::trunc(y))) << i;
    }
  }
  EXPECT_GT(clippedHigh, 100u);
  EXPECT_GT(clippedLow, 100u);
}

TEST(DeckEqualiser, BlockHelperUsesASmallWorkBufferInTurns) {
  const std::vector<std::int16_t> input = squareWave(1000);
  DeckEqualiser whole, inTurns, noRoom;
  for (DeckEqualiser* equaliser : {&whole, &inTurns, &noRoom}) {
    equaliser->setup(EqualiserSettings{}, -6.0f, 3.0f, 4.0f);
  }
  std::vector<std::int16_t> expected = input, chunked = input, untouched = input;
  std::vector<float> work(expected.size());
  whole.runBlock(SampleBlock{expected.data(), 1000}, work);
  std::vector<float> smallWork(7);  // room for three frames; the odd float stays unused
  inTurns.runBlock(SampleBlock{chunked.data(), 1000}, smallWork);
  EXPECT_EQ(chunked, expected);
  EXPECT_NE(expected, input);

  std::vector<float> oneSample(1);
  noRoom.runBlock(SampleBlock{untouched.data(), 1000}, oneSample);
  EXPECT_EQ(untouched, input);
}

}  // namespace
}  // namespace gm

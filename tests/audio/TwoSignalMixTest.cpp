#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/DbTable.h"
#include "audio/TwoSignalMix.h"

namespace gm {
namespace {

TEST(DbTable, EntriesFollowTheDecibelFormula) {
  EXPECT_EQ(dBTable[0], 0);
  for (int k = 1; k <= 60; ++k) {
    const auto expected = static_cast<std::int32_t>(65536.0 * std::pow(10.0, -(60 - k) / 20.0));
    EXPECT_EQ(dBTable[static_cast<std::size_t>(k)], expected) << "entry " << k;
  }
  EXPECT_EQ(dBTable[1], 73);
  EXPECT_EQ(dBTable[54], 32845);
  EXPECT_EQ(dBTable[59], 58409);
  EXPECT_EQ(dBTable[60], 65536);
}

TEST(DbTable, GainClampsTheIndex) {
  EXPECT_EQ(dbTableGain(-1), 0);
  EXPECT_EQ(dbTableGain(0), 0);
  EXPECT_EQ(dbTableGain(30), 2072);
  EXPECT_EQ(dbTableGain(60), 65536);
  EXPECT_EQ(dbTableGain(61), 65536);
  EXPECT_EQ(dbTableGain(1000), 65536);
}

TEST(DbTable, CrossFaderLaw) {
  EXPECT_EQ(crossFaderValue(0), -1);
  EXPECT_EQ(crossFaderValue(60), 65535);
  EXPECT_EQ(crossFaderValue(-60), -65535);
  EXPECT_EQ(crossFaderValue(54), 32844);
  EXPECT_EQ(crossFaderValue(-54), -32844);
  EXPECT_EQ(crossFaderValue(1), 72);
  EXPECT_EQ(crossFaderValue(-1), -72);
  for (int x = 1; x <= 60; ++x) {
    EXPECT_EQ(crossFaderValue(-x), -crossFaderValue(x)) << x;
    EXPECT_GT(crossFaderValue(x), crossFaderValue(x - 1)) << x;
  }
  EXPECT_EQ(crossFaderValue(75), 65535);
  EXPECT_EQ(crossFaderValue(-75), -65535);
}

// Mixes single samples; returns the output sample.
std::int16_t mixOne(std::int16_t a, std::int16_t b, TwoSignalMix settings) {
  std::int16_t left[2] = {a, a};
  std::int16_t right[2] = {b, b};
  std::int16_t out[2] = {};
  settings.mix({left, 1}, {right, 1}, {out, 1});
  return out[0];
}

TEST(TwoSignalMix, SilentInputLeavesTheOtherUnchangedWithinOneUnit) {
  const TwoSignalMix unity;
  for (int value = -32768; value <= 32767; ++value) {
    const auto sample = static_cast<std::int16_t>(value);
    ASSERT_LE(std::abs(mixOne(sample, 0, unity) - value), 1) << value;
    ASSERT_LE(std::abs(mixOne(0, sample, unity) - value), 1) << value;
  }
}

TEST(TwoSignalMix, MatchesSinglePrecisionReferenceValues) {
  // Worked out independently with single-precision rounding after every step.
  EXPECT_EQ(mixOne(1000, 2000, {65536, 65536, 0}), 2938);
  EXPECT_EQ(mixOne(-20000, -15000, {65536, 65536, 0}), -25844);
  EXPECT_EQ(mixOne(12345, -23456, {32845, 65536, 10000}), -14460);
  EXPECT_EQ(mixOne(-7, 31000, {65536, 20724, -30000}), 5309);
  EXPECT_EQ(mixOne(32767, -32768, {65536, 65536, 0}), 32765);
}

TEST(TwoSignalMix, FullScaleInputsStayInRange) {
  const TwoSignalMix unity;
  EXPECT_EQ(mixOne(32767, 32767, unity), 32767);
  EXPECT_EQ(mixOne(-32768, -32768, unity), -32768);
  const std::int16_t extremes[] = {-32768, -32767, -16384, 0, 16384, 32766, 32767};
  for (std::int16_t a : extremes) {
    for (std::int16_t b : extremes) {
      const int y = mixOne(a, b, unity);
      // The mix never goes beyond the louder input's direction: no wrap-around.
      if (a >= 0 && b >= 0) {
        EXPECT_GE(y, std::max<int>(a, b) - 1) << a << " " << b;
      }
      if (a <= 0 && b <= 0) {
        EXPECT_LE(y, std::min<int>(a, b) + 1) << a << " " << b;
      }
    }
  }
}

TEST(TwoSignalMix, CrossFaderAndVolumesSetTheGains) {
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, 32768}.gainA()), 0.5f);
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, 32768}.gainB()), 1.0f);
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, -16384}.gainA()), 1.0f);
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, -16384}.gainB()), 0.75f);
  EXPECT_FLOAT_EQ((TwoSignalMix{32768, 16384, 0}.gainA()), 0.5f);
  EXPECT_FLOAT_EQ((TwoSignalMix{32768, 16384, 0}.gainB()), 0.25f);
  // The fader ends: the far deck keeps 1/65536 of its gain.
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, 65535}.gainA()), 1.0f / 65536.0f);
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, -65535}.gainB()), 1.0f / 65536.0f);
  // Past the ends the deck stays silent instead of coming back inverted and amplified.
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, 200000}.gainA()), 0.0f);
  EXPECT_FLOAT_EQ((TwoSignalMix{65536, 65536, -2147483647 - 1}.gainB()), 0.0f);
}

TEST(TwoSignalMix, FaderEndsSilenceTheFarDeck) {
  for (int value : {-32768, -20000, 1, 20000, 32767}) {
    const auto loud = static_cast<std::int16_t>(value);
    const auto other = static_cast<std::int16_t>(-value / 2);
    EXPECT_LE(std::abs(mixOne(loud, 0, {65536, 65536, 65535})), 1) << value;
    EXPECT_LE(std::abs(mixOne(0, loud, {65536, 65536, -65535})), 1) << value;
    EXPECT_LE(std::abs(mixOne(loud, other, {65536, 65536, 65535}) - other), 1) << value;
    EXPECT_LE(std::abs(mixOne(other, loud, {65536, 65536, -65535}) - other), 1) << value;
    EXPECT_LE(std::abs(mixOne(loud, 0, {65536, 65536, 500000})), 1) << value;
  }
}

TEST(TwoSignalMix, EnergyIsTheSumOverStoredSamples) {
  std::vector<std::int16_t> a = {1000, -20000, 30000, -32768};
  std::vector<std::int16_t> b = {2000, -15000, 0, 5};
  std::vector<std::int16_t> out(4);
  const float energy = TwoSignalMix{}.mix({a.data(), 2}, {b.data(), 2}, {out.data(), 2});
  EXPECT_EQ(out, (std::vector<std::int16_t>{2938, -25844, 29999, -32758}));
  // Reference: single-precision sum of (y / 32767)² in sample order.
  EXPECT_FLOAT_EQ(energy, 2.4677557945251465f);

  // A sum, not a mean: 512 samples at -32768 give 512 × (32768/32767)².
  std::vector<std::int16_t> low(512, -32768);
  std::vector<std::int16_t> silent(512, 0);
  std::vector<std::int16_t> mixed(512);
  const float blockEnergy = TwoSignalMix{}.mix({low.data(), 256}, {silent.data(), 256}, {mixed.data(), 256});
  EXPECT_EQ(mixed.front(), -32768);
  EXPECT_NEAR(blockEnergy, 512.0 * (32768.0 / 32767.0) * (32768.0 / 32767.0), 1e-3);
  EXPECT_EQ(TwoSignalMix{}.mix({silent.data(), 256}, {silent.data(), 256}, {mixed.data(), 256}), 0.0f);
}

TEST(TwoSignalMix, MixesInPlace) {
  std::vector<std::int16_t> a = {1000, -20000};
  std::vector<std::int16_t> b = {2000, -15000};
  TwoSignalMix{}.mix({a.data(), 1}, {b.data(), 1}, {a.data(), 1});
  EXPECT_EQ(a, (std::vector<std::int16_t>{2938, -25844}));
}

}  // namespace
}  // namespace gm

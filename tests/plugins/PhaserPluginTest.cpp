#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include <QTemporaryDir>

#include "PluginTestFiles.h"

namespace gm::testing {
namespace {

class PhaserPluginTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(phaser.loaded()); }

  // One block of `frames` frames of the deck at `position`, through the Phaser; returns the output.
  std::vector<std::int16_t> processAt(std::int32_t position, std::size_t frames) {
    std::vector<std::int16_t> block(frames * 2);
    for (std::size_t frame = 0; frame < frames; ++frame) {
      block[2 * frame] = deck.sample(position + std::int64_t(frame), 0);
      block[2 * frame + 1] = deck.sample(position + std::int64_t(frame), 1);
    }
    const gm_voice_state state = deck.stateAt(position);
    phaser.process(block.data(), std::uint32_t(frames * 4), &deck, &state);
    return block;
  }

  QTemporaryDir dir;
  RawPlugin phaser{builtPlugin("Filters/Phaser.filter"), dir.filePath("Phaser.prefs").toStdString(), 1024};
  TestDeck deck{200000};
};

TEST_F(PhaserPluginTest, DelayZeroMixesTheBlockWithItselfFromTheSameStart) {
  EXPECT_EQ(phaser.integer(GM_PHASER_DELAY), 20);
  EXPECT_EQ(phaser.integer(GM_PHASER_LFO), 100);
  EXPECT_EQ(phaser.set({{GM_PHASER_DELAY, 0}, {GM_PHASER_LFO, 0}}), 1u) << "a parameter ends the list";
  EXPECT_EQ(phaser.integer(GM_PHASER_LFO), 100);
  for (int block = 0; block < 50; ++block) {
    const std::int32_t position = 1000 + block * 256;
    const std::vector<std::int16_t> out = processAt(position, 256);
    EXPECT_EQ(deck.renderedPositions.back(), position);
    for (std::size_t frame = 0; frame < 256; ++frame) {
      // (in + other) × 0.5 truncated, with other == in: the block comes back unchanged.
      ASSERT_EQ(out[2 * frame], deck.sample(position + std::int64_t(frame), 0));
    }
  }
  EXPECT_EQ(deck.renderedPositions.size(), 50u);
}

TEST_F(PhaserPluginTest, RateZeroKeepsTheOffsetAtZero) {
  phaser.set({{GM_PHASER_LFO, 0}});
  for (int block = 0; block < 100; ++block) processAt(5000, 128);
  for (std::int32_t position : deck.renderedPositions) EXPECT_EQ(position, 5000);
}

TEST_F(PhaserPluginTest, OffsetFollowsTheSineOfTheAdvancingPhaseAndMixesHalfAndHalf) {
  phaser.set({{GM_PHASER_LFO, 1000}});  // one turn every 500 blocks
  const std::int32_t position = 100000;
  std::vector<std::int16_t> out;
  for (int block = 0; block < 1000; ++block) out = processAt(position, 64);
  // The phase is a float advanced in double precision per block; the offset truncates (never
  // rounds) sin(phase) × 441 at the default 20 ms. Exact until the phase first wraps at 2π.
  float phase = 0.0f;
  for (int block = 0; block < 1000; ++block) {
    const std::int32_t offset = deck.renderedPositions[std::size_t(block)] - position;
    if (block < 500) {
      EXPECT_EQ(offset, std::int32_t(std::trunc(std::sin(double(phase)) * 441.0))) << block;
    }
    EXPECT_LE(std::abs(offset), 441);
    phase = float(double(phase) + 1.0 * (2.0 * std::numbers::pi) / 500.0);
  }
  const std::int32_t lastOffset = deck.renderedPositions.back() - position;
  for (std::size_t frame = 0; frame < 64; ++frame) {
    const float in = deck.sample(position + std::int64_t(frame), 1);
    const float other = deck.sample(position + lastOffset + std::int64_t(frame), 1);
    EXPECT_EQ(out[2 * frame + 1], std::int16_t((in + other) * 0.5f));
  }
}

TEST_F(PhaserPluginTest, LfoKeepsItsRateOverHoursOfBlocks) {
  // Ten hours of 1024-frame blocks at the fastest rate (one turn every 500 blocks): the last turns
  // still take 500 blocks each. An ever-growing float phase would have slowed to about 536.
  phaser.set({{GM_PHASER_LFO, 1000}});
  const long blocks = 10L * 3600 * 44100 / 1024;
  const std::int32_t position = 100000;
  std::int16_t sample[2] = {0, 0};
  const gm_voice_state state = deck.stateAt(position);
  for (long block = 0; block < blocks; ++block) phaser.process(sample, 4, &deck, &state);
  std::vector<long> risingCrossings;
  for (long block = blocks - 3000; block < blocks; ++block) {
    const std::int32_t before = deck.renderedPositions[std::size_t(block - 1)] - position;
    const std::int32_t now = deck.renderedPositions[std::size_t(block)] - position;
    if (before < 0 && now >= 0) risingCrossings.push_back(block);
  }
  ASSERT_GE(risingCrossings.size(), 5u);
  for (std::size_t index = 1; index < risingCrossings.size(); ++index) {
    EXPECT_NEAR(risingCrossings[index] - risingCrossings[index - 1], 500, 1) << index;
  }
}

TEST_F(PhaserPluginTest, BlocksLargerThanTheHostPromisedPassUnchanged) {
  const std::vector<std::int16_t> out = processAt(3000, 2048);
  EXPECT_TRUE(deck.renderedPositions.empty());
  for (std::size_t frame = 0; frame < 2048; ++frame) ASSERT_EQ(out[2 * frame], deck.sample(3000 + std::int64_t(frame), 0));
  processAt(3000, 1024);
  EXPECT_EQ(deck.renderedPositions.size(), 1u);
}

TEST_F(PhaserPluginTest, PanelsAndEvents) {
  EXPECT_STREQ(phaser.text(GM_ATTR_NAME), "Phaser");
  EXPECT_EQ(phaser.integer(GM_ATTR_REVISION), 2);
  const gm_panel* controls = phaser.panel(GM_ATTR_CONTROLS_PANEL);
  ASSERT_NE(controls, nullptr);
  EXPECT_STREQ(controls->rows[0].label, "Phase Delay:");
  EXPECT_STREQ(controls->rows[1].format, "%ld mHz");
  phaser.callParameter(GM_PHASER_DELAY, 65536 / 2);
  phaser.callParameter(GM_PHASER_LFO, 65535);
  ASSERT_EQ(phaser.moved.size(), 2u);
  EXPECT_EQ(phaser.moved[0].value, 10);
  EXPECT_EQ(phaser.moved[1].value, 999);
  phaser.registerEvents("Filter A");
  ASSERT_EQ(phaser.registrations.size(), 2u);
  EXPECT_EQ(phaser.registrations[0].label, "Phase delay");
  EXPECT_EQ(phaser.registrations[1].label, "Low frequency oscillator");
}

}  // namespace
}  // namespace gm::testing

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "EngineTestSignals.h"
#include "audio/DbTable.h"
#include "audio/MixEngine.h"
#include "audio/TwoSignalMix.h"

namespace gm {
namespace {

using test::BlockCounterRenderer;
using test::CollectingReceiver;
using test::decodeCounter;
using test::FrameCounterRenderer;
using test::LoopRenderer;

constexpr std::size_t kMaxFrames = 512;

std::vector<std::int16_t> pullFrames(MixEngine& engine, int port, std::size_t frames) {
  std::vector<std::int16_t> samples(frames * kChannels, 0x5555);
  EXPECT_EQ(engine.pull(port, samples.data(), frames * kBytesPerFrame), frames * kBytesPerFrame);
  return samples;
}

int maxDifference(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  int worst = 0;
  for (std::size_t i = 0; i < a.size(); ++i) {
    worst = std::max(worst, std::abs(a[i] - b[i]));
  }
  return worst;
}

bool allZero(const std::vector<std::int16_t>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; });
}

// Every 16-bit value once, left and right, so that a block sweeps the whole range.
std::vector<std::int16_t> everySampleValue() {
  std::vector<std::int16_t> samples;
  for (int value = -32768; value <= 32767; ++value) {
    samples.push_back(static_cast<std::int16_t>(value));
  }
  return samples;
}

std::vector<std::int16_t> noise(std::size_t count, unsigned seed) {
  std::vector<std::int16_t> samples(count);
  for (auto& s : samples) {
    seed = seed * 1664525u + 1013904223u;
    s = static_cast<std::int16_t>(seed >> 16);
  }
  return samples;
}

TEST(MixEngine, CreationNeedsBothDecksAndStartsWithDefaults) {
  SilentRenderer silent;
  EXPECT_EQ(MixEngine::create(nullptr, &silent, 256), nullptr);
  EXPECT_EQ(MixEngine::create(&silent, nullptr, 256), nullptr);
  EXPECT_EQ(MixEngine::create(&silent, &silent, 0), nullptr);
  const auto engine = MixEngine::create(&silent, &silent, 256);
  ASSERT_NE(engine, nullptr);
  EXPECT_EQ(engine->volumeA(), 0x10000u);
  EXPECT_EQ(engine->volumeB(), 0x10000u);
  EXPECT_EQ(engine->crossFader(), 0);
  EXPECT_EQ(engine->headphoneMasterLevel(), 0u);
  EXPECT_EQ(engine->headphoneCueLevel(), 0u);
  EXPECT_EQ(engine->cueSource(), 0u);
  EXPECT_FALSE(engine->headphonesOff());
  EXPECT_EQ(engine->level(), 0);
  EXPECT_EQ(engine->channels(), 2);
  EXPECT_EQ(engine->sampleRate(), 44100);
  EXPECT_EQ(engine->portVolume(), 0x10000u);
}

TEST(MixEngine, AttributeSetsClampOrIgnoreOutOfRangeValues) {
  SilentRenderer silent;
  const auto engine = MixEngine::create(&silent, &silent, 256);
  engine->setVolumeA(70000);
  engine->setVolumeB(-5);
  EXPECT_EQ(engine->volumeA(), 65536u);
  EXPECT_EQ(engine->volumeB(), 0u);
  engine->setVolumeB(1234);
  EXPECT_EQ(engine->volumeB(), 1234u);
  engine->setCrossFader(-100000);
  EXPECT_EQ(engine->crossFader(), -100000);
  engine->setHeadphoneMasterLevel(300);
  engine->setHeadphoneCueLevel(-1);
  EXPECT_EQ(engine->headphoneMasterLevel(), 255u);
  EXPECT_EQ(engine->headphoneCueLevel(), 0u);
  engine->setCueSource(2);
  engine->setCueSource(3);
  engine->setCueSource(0xFFFFFFFFu);
  EXPECT_EQ(engine->cueSource(), 2u);
  engine->setCueSource(0);
  EXPECT_EQ(engine->cueSource(), 0u);
}

TEST(MixEngine, SilentDeckBLeavesDeckAUnchanged) {
  LoopRenderer deckA(everySampleValue());
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, kMaxFrames);
  LoopRenderer reference(everySampleValue());
  for (int block = 0; block < 65536 / 2 / static_cast<int>(kMaxFrames); ++block) {
    std::vector<std::int16_t> expected(kMaxFrames * kChannels);
    reference.renderBlock({expected.data(), kMaxFrames});
    ASSERT_LE(maxDifference(pullFrames(*engine, MixEngine::kMasterPort, kMaxFrames), expected), 1) << block;
  }
}

TEST(MixEngine, VolumesAndCrossFaderShapeTheMasterMix) {
  const auto signalA = noise(4096, 1);
  const auto signalB = noise(4096, 2);
  LoopRenderer deckA(signalA);
  LoopRenderer deckB(signalB);
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  const std::vector<std::int16_t> deckABlock(signalA.begin(), signalA.begin() + 512);
  const std::vector<std::int16_t> deckBBlock(signalB.begin(), signalB.begin() + 512);
  auto nextBlock = [&] {
    // Keep both loops aligned with the reference blocks: 4096 samples = 8 blocks of 256 frames.
    auto out = pullFrames(*engine, MixEngine::kMasterPort, 256);
    for (int i = 0; i < 7; ++i) {
      pullFrames(*engine, MixEngine::kMasterPort, 256);
    }
    return out;
  };

  // At the fader ends the far deck keeps 1/65536 of its gain, which can move a loud mix by one
  // unit on top of the unit of truncation.
  engine->setCrossFader(65535);
  EXPECT_LE(maxDifference(nextBlock(), deckBBlock), 2);
  engine->setCrossFader(-65535);
  EXPECT_LE(maxDifference(nextBlock(), deckABlock), 2);
  engine->setCrossFader(0);
  engine->setVolumeA(0);
  EXPECT_LE(maxDifference(nextBlock(), deckBBlock), 1);

  engine->setVolumeA(dBTable[54]);
  engine->setVolumeB(dBTable[40]);
  engine->setCrossFader(12345);
  std::vector<std::int16_t> expected(512);
  TwoSignalMix{static_cast<std::uint32_t>(dBTable[54]), static_cast<std::uint32_t>(dBTable[40]), 12345}.mix(
      {deckABlock.data(), 256}, {deckBBlock.data(), 256}, {expected.data(), 256});
  EXPECT_EQ(nextBlock(), expected);
}

TEST(MixEngine, LevelIsTheLastMasterBlocksEnergyTruncated) {
  LoopRenderer deckA(std::vector<std::int16_t>(2, -32768));
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 1024);
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  // 512 samples of -32768 each contribute (32768/32767)²: 512.03 in all.
  EXPECT_EQ(engine->level(), 512);
  pullFrames(*engine, MixEngine::kMasterPort, 1000);
  EXPECT_EQ(engine->level(), 2000);
  engine->setVolumeA(0);
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  EXPECT_EQ(engine->level(), 0);
}

TEST(MixEngine, OtherPortsAndPartialFrames) {
  SilentRenderer silent;
  const auto engine = MixEngine::create(&silent, &silent, 256);
  std::vector<std::uint8_t> buffer(100, 0xAB);
  EXPECT_EQ(engine->pull(2, buffer.data(), buffer.size()), 100u);
  EXPECT_EQ(engine->pull(-1, buffer.data(), buffer.size()), 100u);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](std::uint8_t b) { return b == 0xAB; }));

  // 6 bytes: one frame and half of another, which plays as silence.
  EXPECT_EQ(engine->pull(MixEngine::kMasterPort, buffer.data(), 6), 6u);
  EXPECT_TRUE(std::all_of(buffer.begin(), buffer.begin() + 6, [](std::uint8_t b) { return b == 0; }));
  EXPECT_EQ(buffer[6], 0xAB);
  EXPECT_EQ(engine->pull(MixEngine::kMasterPort, buffer.data(), 0), 0u);
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 1u);
}

TEST(MixEngine, HeadphonesPlaySilenceUntilAMasterBlockExists) {
  FrameCounterRenderer deckA;
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(255);
  engine->setHeadphoneMasterLevel(255);
  EXPECT_TRUE(allZero(pullFrames(*engine, MixEngine::kHeadphonePort, 256)));
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  EXPECT_FALSE(allZero(pullFrames(*engine, MixEngine::kHeadphonePort, 256)));
  EXPECT_TRUE(allZero(pullFrames(*engine, MixEngine::kHeadphonePort, 256)));
}

TEST(MixEngine, HeadphoneLevelsAndCueSource) {
  const auto signalA = noise(512, 3);
  const auto signalB = noise(512, 4);
  LoopRenderer deckA(signalA);
  LoopRenderer deckB(signalB);
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  auto headphoneBlock = [&](std::vector<std::int16_t>* master = nullptr) {
    auto masterBlock = pullFrames(*engine, MixEngine::kMasterPort, 256);
    if (master != nullptr) {
      *master = masterBlock;
    }
    return pullFrames(*engine, MixEngine::kHeadphonePort, 256);
  };

  // Both levels at 0 (the defaults): nothing from either source.
  EXPECT_TRUE(allZero(headphoneBlock()));

  engine->setHeadphoneCueLevel(255);
  engine->setCueSource(1);
  EXPECT_LE(maxDifference(headphoneBlock(), signalA), 1);
  engine->setCueSource(2);
  EXPECT_LE(maxDifference(headphoneBlock(), signalB), 1);
  engine->setCueSource(3);  // ignored: deck B stays on
  EXPECT_LE(maxDifference(headphoneBlock(), signalB), 1);

  engine->setCueSource(0);
  engine->setHeadphoneMasterLevel(255);
  std::vector<std::int16_t> master;
  const auto masterOnly = headphoneBlock(&master);
  EXPECT_LE(maxDifference(masterOnly, master), 1);
  EXPECT_FALSE(allZero(master));

  // Knob 128 is table index 30; the master copy at knob 17, index 4.
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(128);
  engine->setHeadphoneMasterLevel(17);
  const auto mixed = headphoneBlock(&master);
  std::vector<std::int16_t> expected(512);
  TwoSignalMix{static_cast<std::uint32_t>(dBTable[30]), static_cast<std::uint32_t>(dBTable[4]), 0}.mix(
      {signalA.data(), 256}, {master.data(), 256}, {expected.data(), 256});
  EXPECT_EQ(mixed, expected);
}

TEST(MixEngine, HeadphonesOffPlaySilenceAndQueueNothing) {
  FrameCounterRenderer deckA;
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(255);
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 2u);

  engine->setHeadphonesOff(true);
  bool silent = true;
  for (int i = 0; i < 5000; ++i) {
    EXPECT_EQ(engine->pull(MixEngine::kMasterPort, std::vector<std::int16_t>(512).data(), 1024), 1024u);
    silent = silent && allZero(pullFrames(*engine, MixEngine::kHeadphonePort, 256));
  }
  EXPECT_TRUE(silent);
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 0u);
  EXPECT_EQ(engine->droppedHeadphoneJobs(), 0u);

  // Back on: the headphones continue with the next master block, not with stale ones.
  engine->setHeadphonesOff(false);
  engine->setHeadphoneCueLevel(0);
  engine->setHeadphoneMasterLevel(255);
  const auto master = pullFrames(*engine, MixEngine::kMasterPort, 256);
  EXPECT_LE(maxDifference(pullFrames(*engine, MixEngine::kHeadphonePort, 256), master), 1);
}

TEST(MixEngine, MasterFarAheadDropsTheOldestJobs) {
  BlockCounterRenderer deckA;
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(255);
  constexpr std::int64_t kBlocks = 500;
  for (std::int64_t i = 0; i < kBlocks; ++i) {
    pullFrames(*engine, MixEngine::kMasterPort, 256);
  }
  const auto queued = static_cast<std::int64_t>(engine->queuedHeadphoneJobs());
  EXPECT_GE(queued * 256, 8192);
  EXPECT_LT(queued, 100);
  EXPECT_EQ(engine->droppedHeadphoneJobs(), static_cast<std::uint64_t>(kBlocks - queued));

  // The headphones get the newest blocks, in order, then silence.
  for (std::int64_t block = kBlocks - queued; block < kBlocks; ++block) {
    const auto samples = pullFrames(*engine, MixEngine::kHeadphonePort, 256);
    ASSERT_EQ(decodeCounter(samples.front()), block);
    ASSERT_EQ(decodeCounter(samples.back()), block);
  }
  EXPECT_TRUE(allZero(pullFrames(*engine, MixEngine::kHeadphonePort, 256)));
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 0u);
}

// The frame indices of a stream made of FrameCounterRenderer's frames (-1 for silence).
std::vector<std::int64_t> frameIndices(const std::vector<std::int16_t>& samples) {
  std::vector<std::int64_t> frames;
  for (std::size_t i = 0; i < samples.size(); i += 2) {
    frames.push_back(test::decodeFrame(&samples[i]));
  }
  return frames;
}

void expectContinuousStream(std::size_t masterFrames, std::size_t headphoneFrames, int masterPullsPerRound,
                            int headphonePullsPerRound) {
  FrameCounterRenderer deckA;
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 512);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(255);
  std::vector<std::int64_t> heard;
  for (int round = 0; round < 40; ++round) {
    for (int i = 0; i < masterPullsPerRound; ++i) {
      pullFrames(*engine, MixEngine::kMasterPort, masterFrames);
    }
    for (int i = 0; i < headphonePullsPerRound; ++i) {
      const auto counters = frameIndices(pullFrames(*engine, MixEngine::kHeadphonePort, headphoneFrames));
      heard.insert(heard.end(), counters.begin(), counters.end());
    }
  }
  ASSERT_EQ(heard.size(), 40 * headphonePullsPerRound * headphoneFrames);
  for (std::size_t i = 0; i < heard.size(); ++i) {
    ASSERT_EQ(heard[i], static_cast<std::int64_t>(i)) << "frame " << i;
  }
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 0u);
}

TEST(MixEngine, HeadphoneBlocksOfAnotherSizeHearAContinuousStream) {
  expectContinuousStream(384, 256, 2, 3);
  expectContinuousStream(256, 384, 3, 2);
  expectContinuousStream(256, 256, 1, 1);
}

TEST(MixEngine, LongPullsAreMadeOfMaxSizedMasterBlocks) {
  FrameCounterRenderer deckA;
  SilentRenderer deckB;
  const auto engine = MixEngine::create(&deckA, &deckB, 256);
  CollectingReceiver receiver;
  engine->setRecordReceiver(&receiver);
  const auto master = pullFrames(*engine, MixEngine::kMasterPort, 1000);
  EXPECT_EQ(engine->queuedHeadphoneJobs(), 4u);
  engine->drainRecordBlocks();
  ASSERT_EQ(receiver.blocks.size(), 4u);
  EXPECT_EQ(receiver.blocks[0].size(), 512u);
  EXPECT_EQ(receiver.blocks[3].size(), 2u * (1000 - 768));
  std::vector<std::int16_t> joined;
  for (const auto& block : receiver.blocks) {
    joined.insert(joined.end(), block.begin(), block.end());
  }
  EXPECT_EQ(joined, master);
  const auto counters = frameIndices(master);
  for (std::size_t i = 0; i < counters.size(); ++i) {
    ASSERT_EQ(counters[i], static_cast<std::int64_t>(i));
  }
}

TEST(MixEngine, RecordsEveryMasterBlockInOrderWhileAttached) {
  FrameCounterRenderer deckA;
  LoopRenderer deckB(noise(999, 5));
  const auto engine = MixEngine::create(&deckA, &deckB, 512);
  pullFrames(*engine, MixEngine::kMasterPort, 256);  // before attaching: not recorded

  CollectingReceiver receiver;
  engine->setRecordReceiver(&receiver);
  std::vector<std::vector<std::int16_t>> made;
  for (std::size_t frames : {256u, 100u, 512u, 1u, 333u}) {
    made.push_back(pullFrames(*engine, MixEngine::kMasterPort, frames));
    pullFrames(*engine, MixEngine::kHeadphonePort, 256);
  }
  engine->drainRecordBlocks();
  EXPECT_EQ(receiver.blocks, std::vector<std::vector<std::int16_t>>(made.begin(), made.begin() + 5));

  made.push_back(pullFrames(*engine, MixEngine::kMasterPort, 256));
  made.push_back(pullFrames(*engine, MixEngine::kMasterPort, 128));
  engine->setRecordReceiver(nullptr);  // delivers what is still queued
  EXPECT_EQ(receiver.blocks, made);
  pullFrames(*engine, MixEngine::kMasterPort, 256);
  engine->drainRecordBlocks();
  EXPECT_EQ(receiver.blocks.size(), made.size());

  // Switching to another receiver first hands the old one its blocks.
  CollectingReceiver second;
  engine->setRecordReceiver(&second);
  const auto forSecond = pullFrames(*engine, MixEngine::kMasterPort, 64);
  CollectingReceiver third;
  engine->setRecordReceiver(&third);
  const auto forThird = pullFrames(*engine, MixEngine::kMasterPort, 64);
  engine->drainRecordBlocks();
  EXPECT_EQ(second.blocks, std::vector<std::vector<std::int16_t>>{forSecond});
  EXPECT_EQ(third.blocks, std::vector<std::vector<std::int16_t>>{forThird});
  EXPECT_EQ(engine->lostRecordBlocks(), 0u);
}

TEST(MixEngine, UndrainedRecordingLosesBlocksVisiblyNotSilently) {
  SilentRenderer silent;
  const auto engine = MixEngine::create(&silent, &silent, 4096);
  CollectingReceiver receiver;
  engine->setRecordReceiver(&receiver);
  constexpr std::size_t kBlocks = 150;  // ~14 s of audio without a drain
  for (std::size_t i = 0; i < kBlocks; ++i) {
    pullFrames(*engine, MixEngine::kMasterPort, 4096);
  }
  EXPECT_GT(engine->lostRecordBlocks(), 0u);
  engine->drainRecordBlocks();
  ASSERT_EQ(receiver.blocks.size(), kBlocks);
  const auto lostMarkers = std::count_if(receiver.blocks.begin(), receiver.blocks.end(),
                                         [](const std::vector<std::int16_t>& b) { return b.empty(); });
  EXPECT_EQ(static_cast<std::uint64_t>(lostMarkers), engine->lostRecordBlocks());
  EXPECT_EQ(receiver.blocks.front().size(), 8192u);
  engine->setRecordReceiver(nullptr);
}

}  // namespace
}  // namespace gm

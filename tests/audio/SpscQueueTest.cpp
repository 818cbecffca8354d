#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <random>
#include <thread>
#include <vector>

#include "EngineTestSignals.h"
#include "audio/MixJobPool.h"
#include "audio/RecordQueue.h"
#include "audio/SpscQueue.h"

namespace gm {
namespace {

TEST(SpscQueue, PushIsAllOrNothingAndPopTakesWhatIsThere) {
  SpscQueue<int> queue(10);
  const int first[6] = {1, 2, 3, 4, 5, 6};
  EXPECT_EQ(queue.push(first, 6), 6u);
  const int tooMany[5] = {7, 8, 9, 10, 11};
  EXPECT_EQ(queue.push(tooMany, 5), 0u);
  EXPECT_EQ(queue.readAvailable(), 6u);
  EXPECT_EQ(queue.writeAvailable(), 4u);

  int out[20] = {};
  EXPECT_EQ(queue.peek(out, 2), 2u);
  EXPECT_EQ(out[1], 2);
  EXPECT_EQ(queue.readAvailable(), 6u);
  EXPECT_EQ(queue.pop(out, 4), 4u);
  EXPECT_EQ(out[3], 4);

  // This push wraps around the end of the storage.
  const int wrapping[8] = {20, 21, 22, 23, 24, 25, 26, 27};
  EXPECT_EQ(queue.push(wrapping, 8), 8u);
  EXPECT_EQ(queue.pop(out, 20), 10u);
  const std::vector<int> expected = {5, 6, 20, 21, 22, 23, 24, 25, 26, 27};
  EXPECT_EQ(std::vector<int>(out, out + 10), expected);
  EXPECT_EQ(queue.pop(out, 1), 0u);
  EXPECT_EQ(queue.push(first, 0), 0u);
}

TEST(SpscQueue, KeepsOrderOverManyWrapsWithGeneralItems) {
  struct PositionUpdate {
    int deck;
    std::int64_t positionFrames;
  };
  SpscQueue<PositionUpdate> queue(7);
  std::deque<PositionUpdate> model;
  std::mt19937 random(42);
  std::int64_t next = 0;
  PositionUpdate buffer[8];
  for (int round = 0; round < 2000; ++round) {
    const std::size_t pushCount = random() % 8;
    for (std::size_t i = 0; i < pushCount; ++i) {
      buffer[i] = {static_cast<int>(next % 2), next};
      ++next;
    }
    const std::size_t pushed = queue.push(buffer, pushCount);
    if (model.size() + pushCount <= 7) {
      ASSERT_EQ(pushed, pushCount);
      model.insert(model.end(), buffer, buffer + pushCount);
    } else {
      ASSERT_EQ(pushed, 0u);
      next -= static_cast<std::int64_t>(pushCount);
    }
    const std::size_t popped = queue.pop(buffer, random() % 8);
    for (std::size_t i = 0; i < popped; ++i) {
      ASSERT_EQ(buffer[i].positionFrames, model.front().positionFrames);
      model.pop_front();
    }
    ASSERT_EQ(queue.readAvailable(), model.size());
  }
}

TEST(SpscQueue, TwoThreadsSeeEveryItemOnceInOrder) {
  constexpr std::uint32_t kItems = 200000;
  SpscQueue<std::uint32_t> queue(64);
  std::thread producer([&queue] {
    std::uint32_t next = 0;
    std::uint32_t chunk[5];
    while (next < kItems) {
      const std::uint32_t count = std::min<std::uint32_t>(1 + next % 5, kItems - next);
      for (std::uint32_t i = 0; i < count; ++i) {
        chunk[i] = next + i;
      }
      if (queue.push(chunk, count) == count) {
        next += count;
      } else {
        std::this_thread::yield();
      }
    }
  });
  std::uint32_t expected = 0;
  std::uint32_t received[7];
  bool inOrder = true;
  while (expected < kItems) {
    const std::size_t popped = queue.pop(received, 7);
    for (std::size_t i = 0; i < popped; ++i) {
      inOrder = inOrder && received[i] == expected;
      ++expected;
    }
    if (popped == 0) {
      std::this_thread::yield();
    }
  }
  producer.join();
  EXPECT_TRUE(inOrder);
  EXPECT_EQ(queue.readAvailable(), 0u);
}

std::vector<std::int16_t> rampBlock(std::size_t frames, std::int16_t start) {
  std::vector<std::int16_t> samples(frames * kChannels);
  for (std::size_t i = 0; i < samples.size(); ++i) {
    samples[i] = static_cast<std::int16_t>(start + static_cast<std::int16_t>(i));
  }
  return samples;
}

TEST(RecordQueue, DeliversOneCallPerBlockWithItsExactBytesInOrder) {
  RecordQueue queue;
  queue.reset(512);
  const auto first = rampBlock(512, 0);
  const auto second = rampBlock(100, 5000);
  const auto third = rampBlock(1, -7);
  EXPECT_TRUE(queue.push({first.data(), 512}));
  EXPECT_TRUE(queue.push({second.data(), 100}));
  test::CollectingReceiver receiver;
  queue.drainTo(receiver);
  EXPECT_TRUE(queue.push({third.data(), 1}));
  queue.drainTo(receiver);
  queue.drainTo(receiver);
  ASSERT_EQ(receiver.blocks.size(), 3u);
  EXPECT_EQ(receiver.blocks[0], first);
  EXPECT_EQ(receiver.blocks[1], second);
  EXPECT_EQ(receiver.blocks[2], third);
}

TEST(RecordQueue, HoldsTenSecondsThenCountsAndMarksLostBlocks) {
  RecordQueue queue;
  constexpr std::size_t kFrames = 4096;
  queue.reset(kFrames);
  const auto block = rampBlock(kFrames, 1);
  std::size_t accepted = 0;
  while (queue.push({block.data(), kFrames})) {
    ++accepted;
    ASSERT_LT(accepted, 1000u);
  }
  EXPECT_GE(accepted * kFrames, static_cast<std::size_t>(kSampleRate) * RecordQueue::kBufferedSeconds);
  EXPECT_EQ(queue.overflowCount(), 1u);
  EXPECT_FALSE(queue.push({block.data(), kFrames}));
  EXPECT_EQ(queue.overflowCount(), 2u);

  test::CollectingReceiver receiver;
  queue.drainTo(receiver);
  ASSERT_EQ(receiver.blocks.size(), accepted + 2);
  EXPECT_EQ(receiver.blocks[accepted - 1], block);
  EXPECT_TRUE(receiver.blocks[accepted].empty());
  EXPECT_TRUE(receiver.blocks[accepted + 1].empty());

  // Once drained there is room again.
  EXPECT_TRUE(queue.push({block.data(), kFrames}));
}

TEST(RecordQueue, DiscardDropsWhatIsQueuedOnly) {
  RecordQueue queue;
  queue.reset(256);
  const auto stale = rampBlock(256, 100);
  const auto fresh = rampBlock(200, 900);
  queue.push({stale.data(), 256});
  queue.push({stale.data(), 256});
  queue.discard();
  queue.push({fresh.data(), 200});
  test::CollectingReceiver receiver;
  queue.drainTo(receiver);
  ASSERT_EQ(receiver.blocks.size(), 1u);
  EXPECT_EQ(receiver.blocks[0], fresh);
}

TEST(MixJobPool, SizedForTheQueueBoundWithSeparateBuffers) {
  MixJobPool pool;
  pool.reset(256);
  const std::size_t jobCount = pool.jobCount();
  EXPECT_GE(jobCount, MixJobPool::kMinimumQueuedJobs);
  EXPECT_GE((jobCount - 2) * 256, MixJobPool::kQueuedFramesBound);

  std::vector<MixJob*> jobs;
  while (MixJob* job = pool.acquire()) {
    ASSERT_LE(jobs.size(), jobCount);
    jobs.push_back(job);
  }
  ASSERT_EQ(jobs.size(), jobCount);
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    ASSERT_EQ(jobs[i]->deckABlock.frames, 256u);
    std::fill_n(jobs[i]->deckABlock.samples, 512, static_cast<std::int16_t>(3 * i));
    std::fill_n(jobs[i]->deckBBlock.samples, 512, static_cast<std::int16_t>(3 * i + 1));
    std::fill_n(jobs[i]->masterBlock.samples, 512, static_cast<std::int16_t>(3 * i + 2));
  }
  for (std::size_t i = 0; i < jobs.size(); ++i) {
    EXPECT_EQ(jobs[i]->deckABlock.samples[511], static_cast<std::int16_t>(3 * i));
    EXPECT_EQ(jobs[i]->deckBBlock.samples[0], static_cast<std::int16_t>(3 * i + 1));
    EXPECT_EQ(jobs[i]->masterBlock.samples[511], static_cast<std::int16_t>(3 * i + 2));
  }

  MixJobPool largeBlocks;
  largeBlocks.reset(4096);
  EXPECT_EQ(largeBlocks.jobCount(), MixJobPool::kMinimumQueuedJobs + 2);
}

TEST(MixJobPool, ReusesTheOldestQueuedJobWhenNoneIsFree) {
  MixJobPool pool;
  pool.reset(4096);
  std::vector<MixJob*> jobs;
  while (MixJob* job = pool.acquire()) {
    jobs.push_back(job);
  }
  for (MixJob* job : jobs) {
    pool.enqueue(job);
  }
  EXPECT_EQ(pool.queuedJobs(), jobs.size());

  // The headphone side holds the first one; the master then takes the next oldest.
  MixJob* playing = pool.takeOldest();
  EXPECT_EQ(playing, jobs[0]);
  EXPECT_EQ(pool.acquire(), jobs[1]);
  EXPECT_EQ(pool.droppedJobs(), 1u);
  pool.enqueue(jobs[1]);
  EXPECT_EQ(pool.takeOldest(), jobs[2]);

  pool.release(playing);
  EXPECT_EQ(pool.acquire(), playing);
  EXPECT_EQ(pool.droppedJobs(), 1u);

  pool.releaseQueued();
  EXPECT_EQ(pool.queuedJobs(), 0u);
  EXPECT_EQ(pool.takeOldest(), nullptr);
}

}  // namespace
}  // namespace gm

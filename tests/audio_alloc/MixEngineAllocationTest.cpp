// The engine's pulls must not touch the heap once the engine exists. This executable replaces
// the global allocation functions to count calls while a flag is set, which is why it is kept
// apart from the other audio tests.

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "audio/EngineTestSignals.h"
#include "audio/MixEngine.h"

namespace {

std::atomic<bool> countingAllocations{false};
std::atomic<std::size_t> allocationCount{0};

void* countedAllocate(std::size_t size, std::size_t alignment) {
  if (countingAllocations.load(std::memory_order_relaxed)) {
    allocationCount.fetch_add(1, std::memory_order_relaxed);
  }
  const std::size_t bytes = size == 0 ? 1 : size;
  void* memory = alignment <= alignof(std::max_align_t)
                     ? std::malloc(bytes)
                     : std::aligned_alloc(alignment, (bytes + alignment - 1) / alignment * alignment);
  if (memory == nullptr) {
    throw std::bad_alloc();
  }
  return memory;
}

}  // namespace

void* operator new(std::size_t size) { return countedAllocate(size, 0); }
void* operator new[](std::size_t size) { return countedAllocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t alignment) {
  return countedAllocate(size, static_cast<std::size_t>(alignment));
}
void* operator new[](std::size_t size, std::align_val_t alignment) {
  return countedAllocate(size, static_cast<std::size_t>(alignment));
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete[](void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::align_val_t) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }
void operator delete[](void* memory, std::size_t, std::align_val_t) noexcept { std::free(memory); }

namespace gm {
namespace {

// Counts what it is given without keeping it, so that receiving allocates nothing either.
class CountingReceiver final : public RecordReceiver {
 public:
  void receiveRecordBlock(ConstSampleBlock block) override {
    ++blocks;
    frames += block.frames;
  }
  std::size_t blocks = 0;
  std::size_t frames = 0;
};

TEST(MixEngineAllocation, PullsDrainsAndSetsNeverAllocate) {
  test::FrameCounterRenderer deckA;
  test::LoopRenderer deckB(std::vector<std::int16_t>(999, 1234));
  const auto engine = MixEngine::create(&deckA, &deckB, 512);
  CountingReceiver receiver;
  CountingReceiver otherReceiver;
  engine->setRecordReceiver(&receiver);
  engine->setCueSource(1);
  engine->setHeadphoneCueLevel(200);
  engine->setHeadphoneMasterLevel(100);
  std::vector<std::int16_t> masterBlock(2048 * kChannels);
  std::vector<std::int16_t> headphoneBlock(384 * kChannels);
  std::int64_t heard = 0;
  std::size_t masterBlocksMade = 0;

  auto run = [&](int iterations) {
    for (int i = 0; i < iterations; ++i) {
      engine->pull(MixEngine::kMasterPort, masterBlock.data(), 256 * kBytesPerFrame);
      ++masterBlocksMade;
      engine->pull(MixEngine::kHeadphonePort, headphoneBlock.data(), 384 * kBytesPerFrame);
      engine->pull(MixEngine::kHeadphonePort, headphoneBlock.data(), 128 * kBytesPerFrame);
      if (i % 7 == 0) {
        // Longer than the largest block, and the master running ahead: pieces and dropped jobs.
        engine->pull(MixEngine::kMasterPort, masterBlock.data(), 2048 * kBytesPerFrame);
        masterBlocksMade += 4;
      }
      if (i % 10 == 0) {
        engine->drainRecordBlocks();
        engine->setVolumeA(i * 13);
        engine->setCrossFader(i - 2000);
        engine->setCueSource(static_cast<std::uint32_t>(i % 4));
      }
      if (i % 500 == 0) {
        engine->setHeadphonesOff(i % 1000 == 0);
        engine->setRecordReceiver(i % 1000 == 0 ? &otherReceiver : &receiver);
      }
      heard += headphoneBlock[0] + engine->level();
    }
  };

  // The counter sees allocations at all (the replacement is in force).
  countingAllocations = true;
  auto probe = std::make_unique<int>(1);
  countingAllocations = false;
  ASSERT_EQ(allocationCount.load(), 1u);

  run(600);  // warm-up: first touches of every path
  allocationCount = 0;
  countingAllocations = true;
  run(5000);
  countingAllocations = false;
  engine->setRecordReceiver(nullptr);

  EXPECT_EQ(allocationCount.load(), 0u);
  // The work was done: every master block reached one of the receivers.
  EXPECT_EQ(receiver.blocks + otherReceiver.blocks, masterBlocksMade);
  EXPECT_GT(otherReceiver.blocks, 1000u);
  EXPECT_EQ(engine->lostRecordBlocks(), 0u);
  EXPECT_GT(engine->droppedHeadphoneJobs(), 0u);
  EXPECT_NE(heard, 0);
}

}  // namespace
}  // namespace gm

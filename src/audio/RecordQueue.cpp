#include "audio/RecordQueue.h"

#include <algorithm>
#include <cstring>

namespace gm {
namespace {

// Header room for ten seconds of blocks as short as 64 frames; longer blocks need less.
constexpr std::size_t kShortestPlannedBlockFrames = 64;

}  // namespace

void RecordQueue::reset(std::size_t maxBlockFrames) {
  maxBlockBytes_ = maxBlockFrames * kBytesPerFrame;
  const std::size_t audioFrames = kSampleRate * kBufferedSeconds;
  const std::size_t headerBytes = (audioFrames / kShortestPlannedBlockFrames + 1) * kHeaderBytes;
  const std::size_t capacityBytes =
      std::max(audioFrames * kBytesPerFrame + headerBytes, 2 * (maxBlockBytes_ + kHeaderBytes));
  bytes_.reset(capacityBytes);
  scratch_ = std::make_unique<std::uint8_t[]>(std::max<std::size_t>(maxBlockBytes_, 1));
  overflowCount_.store(0, std::memory_order_relaxed);
  highWaterBytes_ = 0;
}

bool RecordQueue::push(ConstSampleBlock block) {
  const Header length = static_cast<Header>(block.bytes());
  const auto* header = reinterpret_cast<const std::uint8_t*>(&length);
  // Only this thread adds bytes, so room measured here cannot shrink before both pushes.
  if (block.bytes() <= maxBlockBytes_ && bytes_.writeAvailable() >= kHeaderBytes + block.bytes()) {
    bytes_.push(header, kHeaderBytes);
    if (length > 0) {
      bytes_.push(reinterpret_cast<const std::uint8_t*>(block.samples), length);
    }
    return true;
  }
  overflowCount_.fetch_add(1, std::memory_order_relaxed);
  const Header lostMarker = 0;
  bytes_.push(reinterpret_cast<const std::uint8_t*>(&lostMarker), kHeaderBytes);
  return false;
}

bool RecordQueue::popBlock(ConstSampleBlock& block) {
  Header length = 0;
  if (bytes_.peek(reinterpret_cast<std::uint8_t*>(&length), kHeaderBytes) < kHeaderBytes) {
    return false;
  }
  // The header becomes visible before the bytes behind it: leave it for the next drain.
  if (bytes_.readAvailable() < kHeaderBytes + length) {
    return false;
  }
  std::uint8_t headerBytes[kHeaderBytes];
  bytes_.pop(headerBytes, kHeaderBytes);
  bytes_.pop(scratch_.get(), length);
  block = ConstSampleBlock::fromBytes(scratch_.get(), length);
  return true;
}

void RecordQueue::drainTo(RecordReceiver& receiver) {
  // Bounded by what is queued now, so a fast producer cannot keep the main thread here.
  std::size_t budgetBytes = bytes_.readAvailable();
  highWaterBytes_ = std::max(highWaterBytes_, budgetBytes);
  ConstSampleBlock block;
  while (budgetBytes >= kHeaderBytes && popBlock(block)) {
    budgetBytes -= std::min(budgetBytes, kHeaderBytes + block.bytes());
    receiver.receiveRecordBlock(block);
  }
}

void RecordQueue::discard() {
  std::size_t budgetBytes = bytes_.readAvailable();
  ConstSampleBlock block;
  while (budgetBytes >= kHeaderBytes && popBlock(block)) {
    budgetBytes -= std::min(budgetBytes, kHeaderBytes + block.bytes());
  }
}

}  // namespace gm

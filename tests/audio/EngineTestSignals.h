#pragma once
// Deck stand-ins and a record receiver for the engine tests. The renderers write values that
// can be read back from a mix within the engine's one unit of truncation: counters are spaced
// four units apart and decoded by rounding.

#include <cmath>
#include <algorithm>
#include <cstdint>
#include <utility>
#include <vector>

#include "audio/BlockRenderer.h"
#include "audio/RecordReceiver.h"

namespace gm::test {

// Counter n (0..7999) as a sample value that is never within one unit of silence;
// decodeCounter undoes it even after an error of ±1.
inline std::int16_t encodeCounter(std::int64_t n) {
  return static_cast<std::int16_t>(4 * (n % 8000) - 16002);
}
inline std::int64_t decodeCounter(std::int16_t sample) {
  return std::lround((static_cast<double>(sample) + 16002.0) / 4.0);
}

// Every frame carries its index in the deck's stream: the low part (mod 8000) on the left,
// the high part on the right. Good for 64 million frames.
class FrameCounterRenderer final : public BlockRenderer {
 public:
  void renderBlock(SampleBlock block) override {
    for (std::size_t i = 0; i < block.frames; ++i, ++nextFrame_) {
      block.samples[2 * i] = encodeCounter(nextFrame_ % 8000);
      block.samples[2 * i + 1] = encodeCounter(nextFrame_ / 8000);
    }
  }

 private:
  std::int64_t nextFrame_ = 0;
};

// The frame index of frame i of a block made by FrameCounterRenderer; -1 for a silent frame.
inline std::int64_t decodeFrame(const std::int16_t* frame) {
  if (frame[0] == 0 && frame[1] == 0) {
    return -1;
  }
  return decodeCounter(frame[1]) * 8000 + decodeCounter(frame[0]);
}

// Every sample of the n-th rendered block carries n.
class BlockCounterRenderer final : public BlockRenderer {
 public:
  void renderBlock(SampleBlock block) override {
    std::fill_n(block.samples, block.sampleCount(), encodeCounter(blocks_++));
  }
  std::int64_t blocks() const { return blocks_; }

 private:
  std::int64_t blocks_ = 0;
};

// Plays a prepared interleaved signal in a loop.
class LoopRenderer final : public BlockRenderer {
 public:
  explicit LoopRenderer(std::vector<std::int16_t> samples) : samples_(std::move(samples)) {}
  void renderBlock(SampleBlock block) override {
    for (std::size_t i = 0; i < block.sampleCount(); ++i) {
      block.samples[i] = samples_[next_];
      next_ = (next_ + 1) % samples_.size();
    }
  }

 private:
  std::vector<std::int16_t> samples_;
  std::size_t next_ = 0;
};

// Keeps every delivered block.
class CollectingReceiver final : public RecordReceiver {
 public:
  void receiveRecordBlock(ConstSampleBlock block) override {
    blocks.emplace_back(block.samples, block.samples + block.sampleCount());
  }
  std::vector<std::vector<std::int16_t>> blocks;
};

}  // namespace gm::test

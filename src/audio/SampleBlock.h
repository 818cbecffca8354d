#pragma once
// Non-owning views of blocks of interleaved stereo 16-bit audio, the one sample format of the program:
// frames of two signed 16-bit samples (left, then right) in native byte order at 44100 Hz.

#include <cstddef>
#include <cstdint>
#include <span>

namespace gm {

inline constexpr int kSampleRate = 44100;
inline constexpr int kChannels = 2;
inline constexpr std::size_t kBytesPerFrame = 4;
// The longest block a deck renders in one call, in frames. The engine splits longer pulls into
// pieces of at most this size, and plug-ins size their scratch memory from it.
inline constexpr std::size_t kMaxRenderBlockFrames = 8192;

template <typename Sample>
struct BasicSampleBlock {
  Sample* samples = nullptr;  // 2 × frames interleaved samples
  std::size_t frames = 0;

  static BasicSampleBlock fromBytes(void* data, std::size_t lengthBytes) {
    return {static_cast<Sample*>(data), lengthBytes / kBytesPerFrame};
  }
  std::size_t sampleCount() const { return frames * kChannels; }
  std::size_t bytes() const { return frames * kBytesPerFrame; }
  std::span<Sample> span() const { return {samples, sampleCount()}; }
  BasicSampleBlock subBlock(std::size_t firstFrame, std::size_t frameCount) const {
    return {samples + firstFrame * kChannels, frameCount};
  }
  operator BasicSampleBlock<const Sample>() const { return {samples, frames}; }
};

using SampleBlock = BasicSampleBlock<std::int16_t>;
using ConstSampleBlock = BasicSampleBlock<const std::int16_t>;

}  // namespace gm

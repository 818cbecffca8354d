#pragma once
// The memory a track's samples live in. A load reserves address space for the longest track it will
// take, then makes it usable in bounded steps just ahead of the decoder, so the memory a load holds
// follows what the file really delivers, whatever length the file claims. The samples never move
// once written: a voice playing a track that is still loading reads from where they were decoded,
// and the end of a load gives the unused rest of the reservation back without touching the rest.
//
// Reads and writes are allowed below size() only. Elements read as 0 until written.

#include <cstddef>
#include <cstdint>

namespace gm {

class PcmMemory {
 public:
  static constexpr int kChannels = 2;
  static constexpr std::size_t kFrameBytes = kChannels * sizeof(std::int16_t);
  // Memory is made usable this much at a time: a whole number of huge pages.
  static constexpr std::size_t kCommitStepBytes = std::size_t{4} << 20;
  enum class Pages { Default, Huge };

  PcmMemory() = default;
  ~PcmMemory();
  PcmMemory(PcmMemory&& other) noexcept;
  PcmMemory& operator=(PcmMemory&& other) noexcept;
  PcmMemory(const PcmMemory&) = delete;
  PcmMemory& operator=(const PcmMemory&) = delete;

  // Address space for up to `frames` frames, none of it usable yet (size() 0). Huge pages cut the
  // cost of first touching the memory where the system offers them. False when the address space
  // cannot be had.
  bool reserve(std::int64_t frames, Pages pages = Pages::Default);
  // Makes the first `frames` frames usable (more than before; never more than reserved). False
  // when the system refuses the memory; size() then stays as it was.
  bool extendTo(std::int64_t frames);
  // Keeps the first `frames` frames (at most size()) and releases the rest of the reservation.
  // Nothing kept moves.
  void truncate(std::int64_t frames);

  std::int16_t* data() { return base_; }
  const std::int16_t* data() const { return base_; }
  // Samples (frames × 2) usable from data().
  std::size_t size() const { return sizeSamples_; }
  bool empty() const { return sizeSamples_ == 0; }
  std::int16_t& operator[](std::size_t index) { return base_[index]; }
  const std::int16_t& operator[](std::size_t index) const { return base_[index]; }
  std::int16_t* begin() { return base_; }
  std::int16_t* end() { return base_ + sizeSamples_; }
  const std::int16_t* begin() const { return base_; }
  const std::int16_t* end() const { return base_ + sizeSamples_; }

  std::int64_t reservedFrames() const { return std::int64_t(reservedBytes_ / kFrameBytes); }
  // Memory made usable so far (whole pages or steps): what the track costs the system at most.
  std::size_t committedBytes() const { return committedBytes_; }

 private:
  void release();

  std::int16_t* base_ = nullptr;
  std::size_t sizeSamples_ = 0;
  std::size_t committedBytes_ = 0;
  std::size_t reservedBytes_ = 0;  // mapped from base_: usable (committed) first, inaccessible after
};

}  // namespace gm

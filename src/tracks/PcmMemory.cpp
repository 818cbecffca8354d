#include "tracks/PcmMemory.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <utility>

namespace gm {
namespace {

constexpr std::size_t kHugePageBytes = std::size_t{2} << 20;

std::size_t pageBytes() {
  static const std::size_t bytes = std::size_t(sysconf(_SC_PAGESIZE));
  return bytes;
}

std::size_t roundUp(std::size_t bytes, std::size_t unit) { return (bytes + unit - 1) / unit * unit; }

// Inaccessible, uncharged address space of `bytes`, starting on a huge-page boundary when it is at
// least one huge page long (the system can back only aligned stretches with huge pages).
void* mapAddressSpace(std::size_t bytes) {
  const std::size_t slack = bytes >= kHugePageBytes ? kHugePageBytes : 0;
  void* mapped = mmap(nullptr, bytes + slack, PROT_NONE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
  if (mapped == MAP_FAILED) return nullptr;
  if (slack == 0) return mapped;
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = roundUp(start, kHugePageBytes);
  if (aligned > start) munmap(mapped, aligned - start);
  const std::size_t tail = slack - (aligned - start);
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + bytes), tail);
  return reinterpret_cast<void*>(aligned);
}

}  // namespace

PcmMemory::~PcmMemory() { release(); }

PcmMemory::PcmMemory(PcmMemory&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      sizeSamples_(std::exchange(other.sizeSamples_, 0)),
      committedBytes_(std::exchange(other.committedBytes_, 0)),
      reservedBytes_(std::exchange(other.reservedBytes_, 0)) {}

PcmMemory& PcmMemory::operator=(PcmMemory&& other) noexcept {
  if (this != &other) {
    release();
    base_ = std::exchange(other.base_, nullptr);
    sizeSamples_ = std::exchange(other.sizeSamples_, 0);
    committedBytes_ = std::exchange(other.committedBytes_, 0);
    reservedBytes_ = std::exchange(other.reservedBytes_, 0);
  }
  return *this;
}

void PcmMemory::release() {
  if (base_ != nullptr) munmap(base_, reservedBytes_);
  base_ = nullptr;
  sizeSamples_ = committedBytes_ = reservedBytes_ = 0;
}

bool PcmMemory::reserve(std::int64_t frames, Pages pages) {
  release();
  if (frames < 0 || std::uint64_t(frames) > std::numeric_limits<std::size_t>::max() / 2 / kFrameBytes) return false;
  // At least a page, so that even an empty track has an address (a voice without one plays nothing).
  const std::size_t bytes = roundUp(std::max<std::size_t>(std::size_t(frames) * kFrameBytes, 1), pageBytes());
  void* mapped = mapAddressSpace(bytes);
  if (mapped == nullptr) return false;
  if (pages == Pages::Huge) madvise(mapped, bytes, MADV_HUGEPAGE);
  base_ = static_cast<std::int16_t*>(mapped);
  reservedBytes_ = bytes;
  return true;
}

bool PcmMemory::extendTo(std::int64_t frames) {
  if (frames < 0 || std::uint64_t(frames) > reservedBytes_ / kFrameBytes) return false;
  const std::size_t bytes = std::size_t(frames) * kFrameBytes;
  if (bytes > committedBytes_) {
    // Whole steps: few system calls, and steps line up with huge pages.
    const std::size_t committed = std::min(reservedBytes_, roundUp(bytes, kCommitStepBytes));
    auto* from = reinterpret_cast<char*>(base_) + committedBytes_;
    if (mprotect(from, committed - committedBytes_, PROT_READ | PROT_WRITE) != 0) return false;
    committedBytes_ = committed;
  }
  sizeSamples_ = std::max(sizeSamples_, bytes / sizeof(std::int16_t));
  return true;
}

void PcmMemory::truncate(std::int64_t frames) {
  if (base_ == nullptr) return;
  sizeSamples_ = std::min(sizeSamples_, std::size_t(std::max<std::int64_t>(frames, 0)) * kChannels);
  const std::size_t kept = roundUp(std::max<std::size_t>(sizeSamples_ * sizeof(std::int16_t), 1), pageBytes());
  if (kept < reservedBytes_) munmap(reinterpret_cast<char*>(base_) + kept, reservedBytes_ - kept);
  reservedBytes_ = std::min(reservedBytes_, kept);
  committedBytes_ = std::min(committedBytes_, kept);
}

}  // namespace gm

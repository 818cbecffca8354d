#include "audio/FlushToZero.h"

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#include <xmmintrin.h>
#endif

namespace gm {
namespace {

#if defined(__x86_64__) || defined(__i386__)
constexpr unsigned kFlushToZeroBit = 1u << 15;
constexpr unsigned kDenormalsAreZeroBit = 1u << 6;
constexpr unsigned kModeBits = kFlushToZeroBit | kDenormalsAreZeroBit;
#elif defined(__aarch64__)
constexpr std::uint64_t kFlushToZeroBit = std::uint64_t{1} << 24;

std::uint64_t readControlRegister() {
  std::uint64_t value = 0;
  asm volatile("mrs %0, fpcr" : "=r"(value));
  return value;
}

void writeControlRegister(std::uint64_t value) { asm volatile("msr fpcr, %0" : : "r"(value)); }
#endif

}  // namespace

void setFlushToZero(bool on) {
#if defined(__x86_64__) || defined(__i386__)
  const unsigned control = _mm_getcsr();
  _mm_setcsr(on ? control | kModeBits : control & ~kModeBits);
#elif defined(__aarch64__)
  const std::uint64_t control = readControlRegister();
  writeControlRegister(on ? control | kFlushToZeroBit : control & ~kFlushToZeroBit);
#else
  (void)on;
#endif
}

bool flushToZero() {
#if defined(__x86_64__) || defined(__i386__)
  return (_mm_getcsr() & kModeBits) == kModeBits;
#elif defined(__aarch64__)
  return (readControlRegister() & kFlushToZeroBit) != 0;
#else
  return false;
#endif
}

void ensureFlushToZeroOnThisThread() {
  thread_local bool set = false;
  if (set) return;
  setFlushToZero(true);
  set = true;
}

}  // namespace gm

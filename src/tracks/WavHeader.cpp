#include "tracks/WavHeader.h"

#include <unistd.h>

#include <array>
#include <cstring>

namespace gm {
namespace {

// The chunks before the samples ("fmt ", "fact", "LIST", ...) fit in this many bytes in any file
// written by a real program.
constexpr std::size_t kHeaderBytes = 65536;
// A data size of 0 or all ones means "unknown" (a file written while recording, a stream).
constexpr std::uint32_t kUnknownSize = 0xFFFFFFFFu;

// Formats with one frame per block: integer and float PCM, A-law, mu-law, and the extensible header
// that wraps them. In compressed formats a block holds many frames.
bool oneFramePerBlock(std::uint32_t formatTag) {
  return formatTag == 1 || formatTag == 3 || formatTag == 6 || formatTag == 7 || formatTag == 0xFFFE;
}

std::uint32_t littleEndian(const unsigned char* bytes, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

std::int64_t WavHeader::statedFrames(int fd) {
  std::array<unsigned char, kHeaderBytes> header{};
  const ssize_t got = ::pread(fd, header.data(), header.size(), 0);
  if (got < 12 || std::memcmp(header.data(), "RIFF", 4) != 0 || std::memcmp(header.data() + 8, "WAVE", 4) != 0)
    return 0;
  const auto length = std::size_t(got);
  std::uint32_t blockAlign = 0;
  for (std::size_t at = 12; at + 8 <= length;) {
    const unsigned char* chunk = header.data() + at;
    const std::uint32_t size = littleEndian(chunk + 4, 4);
    if (std::memcmp(chunk, "fmt ", 4) == 0 && size >= 16 && at + 8 + 16 <= length) {
      blockAlign = oneFramePerBlock(littleEndian(chunk + 8, 2)) ? littleEndian(chunk + 8 + 12, 2) : 0;
    } else if (std::memcmp(chunk, "data", 4) == 0) {
      if (blockAlign == 0 || size == 0 || size == kUnknownSize) return 0;
      return std::int64_t(size / blockAlign);
    }
    at += 8 + std::size_t(size) + (size & 1);
  }
  return 0;
}

}  // namespace gm

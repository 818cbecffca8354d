#pragma once
// The track key: an MD5 digest of the start of the decoded audio, and the 16 hexadecimal digits that
// name the track's script and cache files. Two files whose first 512 KiB of decoded audio are equal
// share one key.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace gm {

using TrackDigest = std::array<std::uint8_t, 16>;

class TrackKey {
 public:
  static constexpr std::size_t kHashedBytes = 524288;

  // MD5 over the first min(524288, byteSize) bytes of the PCM, each 16-bit sample taken in big-endian
  // byte order, so the digest is the same on every machine.
  static TrackDigest digest(const std::int16_t* pcm, std::size_t byteSize);
  // "%04X%04X%04X%04X" of the digest read as four big-endian words, each word's low 16 bits: the hex
  // of digest bytes 2, 3, 6, 7, 10, 11, 14 and 15.
  static std::string key(const TrackDigest& digest);
  // "Keyledger/<key>.rx", relative to the home directory.
  static std::string scriptPath(const std::string& key);
};

}  // namespace gm

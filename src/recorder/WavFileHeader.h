#pragma once
// The 44-byte header of a recording: a RIFF/WAVE file of 16-bit stereo PCM at 44100 Hz, every field
// little-endian. Its two size fields are rewritten while the file grows, so they are kept apart.

#include <array>
#include <cstddef>
#include <cstdint>

namespace gm {

class WavFileHeader {
 public:
  static constexpr std::size_t kBytes = 44;
  static constexpr std::size_t kRiffSizeOffset = 4;
  static constexpr std::size_t kDataSizeOffset = 40;
  // What the RIFF size counts beyond the data: "WAVE", the format chunk and the data chunk's header.
  static constexpr std::uint32_t kRiffOverheadBytes = 36;
  // A size that no longer fits the 32-bit fields is written as this: "length unknown, read to the
  // end of the file", as streaming writers do.
  static constexpr std::uint32_t kUnknownSize = 0xFFFFFFFF;

  // The whole header for `dataBytes` of samples.
  static std::array<std::uint8_t, kBytes> make(std::uint64_t dataBytes);

  // The RIFF size field (data + 36) and the data size field for `dataBytes`; both kUnknownSize once
  // the RIFF size would pass 32 bits (a recording without size limit that runs for hours).
  static std::uint32_t riffSize(std::uint64_t dataBytes);
  static std::uint32_t dataSize(std::uint64_t dataBytes);

  // Writes `value` as `size` little-endian bytes.
  static void putLittleEndian(std::uint8_t* destination, std::uint32_t value, std::size_t size);
};

}  // namespace gm

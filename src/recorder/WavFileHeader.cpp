#include "recorder/WavFileHeader.h"

#include <cstring>

#include "audio/SampleBlock.h"

namespace gm {
namespace {

constexpr std::uint64_t kLargestRiffSize = 0xFFFFFFFF;

bool fitsFields(std::uint64_t dataBytes) { return dataBytes + WavFileHeader::kRiffOverheadBytes <= kLargestRiffSize; }

}  // namespace

std::uint32_t WavFileHeader::riffSize(std::uint64_t dataBytes) {
  return fitsFields(dataBytes) ? std::uint32_t(dataBytes + kRiffOverheadBytes) : kUnknownSize;
}

std::uint32_t WavFileHeader::dataSize(std::uint64_t dataBytes) {
  return fitsFields(dataBytes) ? std::uint32_t(dataBytes) : kUnknownSize;
}

void WavFileHeader::putLittleEndian(std::uint8_t* destination, std::uint32_t value, std::size_t size) {
  for (std::size_t i = 0; i < size; ++i) destination[i] = std::uint8_t(value >> (8 * i));
}

std::array<std::uint8_t, WavFileHeader::kBytes> WavFileHeader::make(std::uint64_t dataBytes) {
  constexpr std::uint32_t kFormatChunkBytes = 16;
  constexpr std::uint32_t kPcm = 1;
  constexpr std::uint32_t kBitsPerSample = 16;
  std::array<std::uint8_t, kBytes> header{};
  std::uint8_t* h = header.data();
  std::memcpy(h, "RIFF", 4);
  putLittleEndian(h + kRiffSizeOffset, riffSize(dataBytes), 4);
  std::memcpy(h + 8, "WAVEfmt ", 8);
  putLittleEndian(h + 16, kFormatChunkBytes, 4);
  putLittleEndian(h + 20, kPcm, 2);
  putLittleEndian(h + 22, kChannels, 2);
  putLittleEndian(h + 24, kSampleRate, 4);
  putLittleEndian(h + 28, kSampleRate * kBytesPerFrame, 4);
  putLittleEndian(h + 32, kBytesPerFrame, 2);
  putLittleEndian(h + 34, kBitsPerSample, 2);
  std::memcpy(h + 36, "data", 4);
  putLittleEndian(h + kDataSizeOffset, dataSize(dataBytes), 4);
  return header;
}

}  // namespace gm

#pragma once
// Four-character identifiers ("FORM", "USEP") as the 32-bit big-endian numbers IFF files and
// dataspace items use.

#include <cstdint>

namespace gm::plugin {

constexpr std::uint32_t fourCc(const char (&text)[5]) {
  return (std::uint32_t(std::uint8_t(text[0])) << 24) | (std::uint32_t(std::uint8_t(text[1])) << 16) |
         (std::uint32_t(std::uint8_t(text[2])) << 8) | std::uint32_t(std::uint8_t(text[3]));
}

}  // namespace gm::plugin

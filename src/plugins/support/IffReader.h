#pragma once
// Finds one chunk in an EA IFF 85 image: the first chunk with a given identifier inside a group
// ("FORM", also within "LIST" and "CAT ") of a given form type. Every size is checked against the
// bytes that hold it, so a truncated or hostile file simply yields "not found".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>

namespace gm::plugin {

class IffReader {
 public:
  // The body of the chunk, a view into `image`.
  static std::optional<std::span<const std::uint8_t>> findChunk(std::span<const std::uint8_t> image,
                                                                std::uint32_t formType,
                                                                std::uint32_t chunkId);

  static std::uint32_t readU32(const std::uint8_t* bytes);

 private:
  static std::optional<std::span<const std::uint8_t>> findIn(std::span<const std::uint8_t> chunks,
                                                             std::uint32_t enclosingType,
                                                             std::uint32_t formType,
                                                             std::uint32_t chunkId, int depth);
};

}  // namespace gm::plugin

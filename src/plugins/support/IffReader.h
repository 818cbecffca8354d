#pragma once
// Finds one chunk in an EA IFF 85 image: the first chunk with a given identifier inside a group
// ("FORM", also within "LIST" and "CAT ") of a given form type. Every size is checked against the
// bytes that hold it, so a truncated or hostile file simply yields "not found".

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace gm::plugin {

class IffReader {
 public:
  // The body of the chunk, a view into `image`.
  static std::optional<std::span<const std::uint8_t>> findChunk(std::span<const std::uint8_t> image,
                                                                std::uint32_t formType,
                                                                std::uint32_t chunkId);

  // The whole file, when it can be read and holds at most `maxBytes` bytes.
  static std::optional<std::vector<std::uint8_t>> readFile(const std::string& path,
                                                           std::size_t maxBytes = 1u << 20);

  static std::uint32_t readU32(const std::uint8_t* bytes);

 private:
  static std::optional<std::span<const std::uint8_t>> findIn(std::span<const std::uint8_t> chunks,
                                                             std::uint32_t enclosingType,
                                                             std::uint32_t formType,
                                                             std::uint32_t chunkId, int depth);
};

}  // namespace gm::plugin

#include "plugins/support/IffReader.h"

#include "plugins/support/FourCc.h"

namespace gm::plugin {
namespace {

constexpr std::uint32_t kForm = fourCc("FORM");
constexpr std::uint32_t kList = fourCc("LIST");
constexpr std::uint32_t kCat = fourCc("CAT ");
constexpr std::uint32_t kNoType = 0;
// Nesting deeper than this is not a preferences file; the limit keeps recursion bounded.
constexpr int kMaxDepth = 8;

bool isGroup(std::uint32_t id) { return id == kForm || id == kList || id == kCat; }

}  // namespace

std::uint32_t IffReader::readU32(const std::uint8_t* bytes) {
  return (std::uint32_t(bytes[0]) << 24) | (std::uint32_t(bytes[1]) << 16) | (std::uint32_t(bytes[2]) << 8) |
         std::uint32_t(bytes[3]);
}

std::optional<std::span<const std::uint8_t>> IffReader::findChunk(std::span<const std::uint8_t> image,
                                                                  std::uint32_t formType,
                                                                  std::uint32_t chunkId) {
  return findIn(image, kNoType, formType, chunkId, 0);
}

std::optional<std::span<const std::uint8_t>> IffReader::findIn(std::span<const std::uint8_t> chunks,
                                                               std::uint32_t enclosingType,
                                                               std::uint32_t formType,
                                                               std::uint32_t chunkId, int depth) {
  std::size_t offset = 0;
  while (chunks.size() - offset >= 8) {
    const std::uint32_t id = readU32(chunks.data() + offset);
    const std::uint32_t size = readU32(chunks.data() + offset + 4);
    const std::size_t bodyOffset = offset + 8;
    if (size > chunks.size() - bodyOffset) return std::nullopt;  // truncated: stop looking
    const std::span<const std::uint8_t> body = chunks.subspan(bodyOffset, size);
    if (isGroup(id)) {
      if (size >= 4 && depth < kMaxDepth) {
        const std::uint32_t type = readU32(body.data());
        const std::uint32_t innerType = id == kForm ? type : kNoType;
        if (auto found = findIn(body.subspan(4), innerType, formType, chunkId, depth + 1)) return found;
      }
    } else if (enclosingType == formType && id == chunkId) {
      return body;
    }
    offset = bodyOffset + size + (size % 2);
    if (offset > chunks.size()) break;
  }
  return std::nullopt;
}

}  // namespace gm::plugin

#include "plugins/support/IffWriter.h"

namespace gm::plugin {

void IffWriter::pushGroup(std::uint32_t groupId, std::uint32_t type) {
  pushChunk(groupId);
  writeU32(type);
}

void IffWriter::pushChunk(std::uint32_t chunkId) {
  writeU32(chunkId);
  open_.push_back(bytes_.size());
  writeU32(0);
}

bool IffWriter::pop() {
  if (open_.empty()) return false;
  const std::size_t sizeOffset = open_.back();
  open_.pop_back();
  const std::size_t contentBytes = bytes_.size() - sizeOffset - 4;
  patchU32(sizeOffset, std::uint32_t(contentBytes));
  // The pad byte is not part of the chunk's size but belongs to the enclosing group.
  if (contentBytes % 2 != 0) bytes_.push_back(0);
  return true;
}

void IffWriter::writeU8(std::uint8_t value) { bytes_.push_back(value); }

void IffWriter::writeU32(std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8) bytes_.push_back(std::uint8_t(value >> shift));
}

void IffWriter::writeBytes(const std::uint8_t* data, std::size_t count) {
  bytes_.insert(bytes_.end(), data, data + count);
}

void IffWriter::patchU32(std::size_t offset, std::uint32_t value) {
  for (int index = 0; index < 4; ++index) bytes_[offset + index] = std::uint8_t(value >> (24 - 8 * index));
}

}  // namespace gm::plugin

#pragma once
// Builds an EA IFF 85 file in memory: big-endian numbers, groups ("FORM") and chunks whose sizes
// are filled in when they are closed, every chunk padded to an even length. The whole file is
// assembled first, so that it can be stored in one piece.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace gm::plugin {

class IffWriter {
 public:
  // Opens a group: its identifier ("FORM"), a size filled in by pop(), and its type ("PREF").
  void pushGroup(std::uint32_t groupId, std::uint32_t type);
  // Opens a chunk: identifier and a size filled in by pop().
  void pushChunk(std::uint32_t chunkId);
  // Closes the innermost open group or chunk, fixing its size and padding it to even length.
  // Returns false when nothing is open.
  bool pop();

  void writeU8(std::uint8_t value);
  void writeU32(std::uint32_t value);
  void writeBytes(const std::uint8_t* data, std::size_t count);

  // The file so far; complete once every push has been popped.
  const std::vector<std::uint8_t>& bytes() const { return bytes_; }
  bool complete() const { return open_.empty(); }

 private:
  void patchU32(std::size_t offset, std::uint32_t value);

  std::vector<std::uint8_t> bytes_;
  std::vector<std::size_t> open_;  // offsets of the size fields of the open groups and chunks
};

}  // namespace gm::plugin

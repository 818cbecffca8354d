#pragma once
// The plug-in's stored values: a map from a four-character identifier to a 32-bit integer, and its
// serialised form inside the plug-in's preferences chunk.
//
// Body layout (written and read only by this class): a sequence of items, each
//   identifier  u32 big-endian   ("USEP")
//   length      u32 big-endian   (4 for every item this program writes)
//   data        `length` bytes   (the value, s32 big-endian), plus one pad byte when length is odd
// Items are written in ascending identifier order. The reader keeps items of length 4, skips
// items of any other length, and stops at the first item that does not fit the body.
//
// Thread-safe: the detector reads its settings on the loader thread while the main thread may set them.

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <span>
#include <vector>

namespace gm::plugin {

class Dataspace {
 public:
  // [any-thread]
  std::optional<std::int32_t> find(std::uint32_t id) const;
  std::int32_t valueOr(std::uint32_t id, std::int32_t fallback) const;
  void set(std::uint32_t id, std::int32_t value);
  bool empty() const;

  // [any-thread] The chunk body described above.
  std::vector<std::uint8_t> serialise() const;
  // [any-thread] Replaces the contents by the items of a chunk body.
  void deserialise(std::span<const std::uint8_t> body);

 private:
  mutable std::mutex mutex_;
  std::map<std::uint32_t, std::int32_t> values_;
};

}  // namespace gm::plugin

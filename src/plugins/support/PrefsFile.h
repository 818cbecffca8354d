#pragma once
// The plug-ins' preferences file: an IFF "FORM" of type "PREF" holding a "PRHD" header chunk
// (version 1, type 0, flags 0) and the plug-in's own chunk, whose body is its Dataspace.

#include <cstdint>
#include <span>
#include <vector>

namespace gm::plugin {

class Dataspace;

class PrefsFile {
 public:
  // The largest preferences file read.
  static constexpr std::uint32_t kMaxBytes = 65536;

  // [main-thread] Loads the plug-in's chunk from a file's bytes into `values`. False, leaving
  // `values` untouched, when the image lacks the chunk; the header chunk is not examined.
  static bool parse(std::span<const std::uint8_t> image, std::uint32_t chunkId, Dataspace& values);
  // The whole file: the header and the plug-in's chunk (the host stores it).
  static std::vector<std::uint8_t> image(std::uint32_t chunkId, const Dataspace& values);
};

}  // namespace gm::plugin

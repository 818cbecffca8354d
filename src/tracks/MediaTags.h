#pragma once
// What an audio file says about itself, as the decoder reads it: its text tags, its bit rate and
// the name of its audio format.

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gm {

struct MediaTags {
  // (name, UTF-8 value) as FFmpeg names them ("title", "artist", "album", "date", "track",
  // "comment", "genre", ...): the container's first, then the audio stream's own.
  std::vector<std::pair<std::string, std::string>> items;
  std::int64_t bitRate = 0;  // bits per second; 0 when unknown
  std::string description;   // the audio codec's name
};

}  // namespace gm

#pragma once
// The length a WAV file's header states. FFmpeg believes the header only while the file is long
// enough to hold what it promises, and otherwise takes the length from the file's size; a track cut
// short would then look complete. This reads the promise itself.

#include <cstdint>

namespace gm {

class WavHeader {
 public:
  // [any-thread] Frames the data chunk of the RIFF/WAVE file open on `fd` claims (its size over the
  // format's block alignment); 0 when the file is no such file or claims no usable length. Reads
  // with pread(), so the descriptor's offset stays where it was.
  static std::int64_t statedFrames(int fd);
};

}  // namespace gm

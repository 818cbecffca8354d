#pragma once
// The pull side of the engine as an audio output sees it.

#include <cstddef>

namespace gm {

class PullSource {
 public:
  virtual ~PullSource() = default;

  // [audio-thread] Produces one block for `port` into `buffer` and returns the bytes produced.
  virtual std::size_t pull(int port, void* buffer, std::size_t lengthBytes) = 0;
};

}  // namespace gm

#pragma once
// What a deck's render runs over every block after the voice rendered it: the deck's filter rack,
// seen from the audio side as plain C++.

#include <cstdint>

#include "audio/DeckRenderTarget.h"
#include "groovemangler_plugin.h"

namespace gm {

class BlockFilter {
 public:
  // [audio-thread] Processes `bytes` / 4 frames in place. `deck` may be asked to render from a state
  // while this call runs (nullptr: no deck to ask); `stateBefore` is the deck's play state copied
  // before it rendered the block. No allocation, no lock, no I/O.
  virtual void process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck,
                       const gm_voice_state* stateBefore) = 0;

 protected:
  ~BlockFilter() = default;
};

}  // namespace gm

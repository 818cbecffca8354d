#pragma once
// What the mixing engine asks of a deck once per master block.

#include "audio/SampleBlock.h"

namespace gm {

class BlockRenderer {
 public:
  virtual ~BlockRenderer() = default;

  // [audio-thread] Fills every frame of the block with the deck's processed audio, silence when
  // nothing plays. Must not allocate, do I/O or wait long on a lock.
  virtual void renderBlock(SampleBlock block) = 0;
};

// A deck with nothing loaded: the engine's input until decks exist, and a stand-in in tests.
class SilentRenderer final : public BlockRenderer {
 public:
  void renderBlock(SampleBlock block) override;
};

}  // namespace gm

#pragma once
// What a filter may ask of the deck that runs it: render a stretch of the deck's track from a play
// state (a modified copy of the deck's own) into a buffer, without changing the deck. The deck's
// voice implements it; the plug-in host's render_from_state callback forwards to it.

#include "audio/SampleBlock.h"
#include "groovemangler_plugin.h"

namespace gm {

class DeckRenderTarget {
 public:
  // [audio-thread, inside the deck's render] Renders block.frames frames starting at the state's
  // position. Only the transport fields of `state` are taken: the track is always the deck's own
  // memory and length, whatever pointer and count the state holds. Never allocates.
  virtual void renderFromState(const gm_voice_state& state, SampleBlock block) = 0;

 protected:
  ~DeckRenderTarget() = default;
};

}  // namespace gm

#pragma once
// The render side of a deck, in plain C++: the play state (voice block) over the deck's decoded
// track, the renderer, the equaliser, the filters and the reports the render leaves for the main
// thread. Everything here is guarded by the deck lock, which the render holds for a whole block and
// the main and loader threads only for a few assignments; the track's memory itself belongs to the
// deck model, which detaches it here before freeing it.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <vector>

#include "audio/BlockFilter.h"
#include "audio/BlockRenderer.h"
#include "audio/DeckEqualiser.h"
#include "audio/DeckRenderTarget.h"
#include "audio/SpscQueue.h"
#include "audio/VoiceRenderer.h"
#include "groovemangler_plugin.h"

namespace gm {

class DeckVoice final : public BlockRenderer, public DeckRenderTarget {
 public:
  // What a render leaves for the main thread's periodic update.
  struct RenderEvent {
    enum Kind : std::int32_t { Position, EndOfTrack } kind;
    std::uint32_t value;  // Position: frames, with kFlaggedPosition while a bend or loop runs
  };
  static constexpr std::uint32_t kFlaggedPosition = 0x80000000u;
  static constexpr std::size_t kRenderEventCapacity = 256;

  DeckVoice();

  // [main-thread, audio stopped] Sizes the render's buffers for blocks of up to this many frames.
  void prepare(std::size_t maxBlockFrames);
  // [main-thread] The filters run over every rendered block (nullptr: none).
  void setFilter(BlockFilter* filter);

  // ---- the track's memory [main or loader thread] ----
  // A new track starts loading into `pcm`: nothing is playable yet, position and loop start over.
  void attachLoadingTrack(const std::int16_t* pcm);
  // Frames 0 .. frames of the memory are decoded and may play; play waits at that edge.
  void setDecodedFrames(std::int32_t frames);
  // Loading ended: the track is `frames` long and playing past its end ends the track.
  void completeTrack(const std::int16_t* pcm, std::int32_t frames);
  // No track: the render plays silence. Volume and balance stay; the rest starts over.
  void detachTrack();

  // ---- transport [main-thread] ----
  bool playing() const { return playing_.load(std::memory_order_relaxed); }
  // True when the flag changed.
  bool setPlaying(bool playing) { return playing_.exchange(playing) != playing; }
  // Moves the play position (0 .. frames); false when out of range or without a track. Reports
  // the render made from the old position are dropped, so none of them can undo the move.
  bool setPosition(std::int64_t frame);
  // The cue point at the play position; returns that frame.
  std::int32_t setCueAtPosition();
  // The coming output frames to replace by silence (a cue jump waiting for the other deck's beat).
  void setSilenceFrames(std::int32_t frames);
  // A beat loop of `loopType` locked to the beat grid at the cue point; with a loop already
  // running, its new length takes over at the next wrap.
  void startLoop(int loopType, std::int32_t bpm);
  void clearLoop();
  void setPitch(std::int32_t pitch);
  // Reverse play: the speed's sign flips from the next block on, so the track plays backwards.
  void setReverse(bool reverse);
  void setBpm(std::int32_t bpm);
  void setBendStep(std::int32_t step);
  // A bend button held (direction −1 or +1) or released (0).
  void holdBend(int direction);
  // A jog while playing: a short bend of detents × 10 steps over the next ten blocks.
  void jogBend(int detents);
  void setVolume(float volume);
  void setBalance(std::int32_t balance);

  // ---- equaliser [main-thread] ----
  void setUpEqualiser(const EqualiserSettings& settings, float highDb, float midDb, float lowDb);
  void setKills(bool high, bool mid, bool low);
  void resetEqualiser();

  // [main-thread] A copy of the play state as the renderer sees it.
  gm_voice_state snapshot() const;
  // [main-thread] The next report of the render; false when there is none.
  bool nextRenderEvent(RenderEvent& event);
  // [main-thread] Drops every report not yet taken.
  void discardRenderEvents();

  // [audio-thread] The engine's call, once per master block.
  void renderBlock(SampleBlock block) override;
  // [audio-thread, inside renderBlock] A filter's render from a state; the deck lock is held.
  void renderFromState(const gm_voice_state& state, SampleBlock block) override;

 private:
  void advanceBend();
  void postRenderEvent(RenderEvent event);

  mutable std::mutex lock_;  // the deck lock
  gm_voice_state voice_{};
  VoiceRenderer renderer_;
  VoiceRenderer stateRenderer_;  // for filters' renders from a state, so capture tables stay apart
  bool trackComplete_ = true;    // false while the loader still fills the attached memory
  BlockFilter* filter_ = nullptr;
  std::int32_t pitch_ = 10000;
  bool reverse_ = false;
  std::int32_t bendStep_ = 10;
  std::int32_t bendOffset_ = 0;
  std::int32_t bendCountdown_ = 0;
  std::int32_t bendFactor_ = 0;
  std::uint32_t loopBlocks_ = 0;
  DeckEqualiser equaliser_;
  std::vector<float> equaliserWork_;  // sized in prepare(), reused for every block
  std::atomic<bool> playing_{false};
  SpscQueue<RenderEvent> renderEvents_{kRenderEventCapacity};
};

}  // namespace gm

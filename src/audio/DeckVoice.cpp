#include "audio/DeckVoice.h"

#include <algorithm>
#include <cstdlib>

#include "audio/BeatGrid.h"

namespace gm {

DeckVoice::DeckVoice() {
  voice_.volume = 1.0f;
  voice_.speed = 1.0f;
}

void DeckVoice::prepare(std::size_t maxBlockFrames) {
  std::vector<float> work(maxBlockFrames * 2);
  std::lock_guard guard(lock_);
  renderer_.prepare(maxBlockFrames);
  stateRenderer_.prepare(maxBlockFrames);
  equaliserWork_.swap(work);
}

void DeckVoice::setFilter(BlockFilter* filter) {
  std::lock_guard guard(lock_);
  filter_ = filter;
}

// ---- the track's memory --------------------------------------------------------------------------

void DeckVoice::attachLoadingTrack(const std::int16_t* pcm) {
  std::lock_guard guard(lock_);
  voice_.pcm = pcm;
  // Only decoded frames are playable: the track grows as the loader goes (setDecodedFrames).
  voice_.frames = 0;
  trackComplete_ = false;
  voice_.position = 0;
  voice_.fraction = 0.0f;
  voice_.loop_start = voice_.loop_end = voice_.loop_reserved = voice_.pending_loop_end = 0;
  voice_.speed = 1.0f;
}

void DeckVoice::setDecodedFrames(std::int32_t frames) {
  std::lock_guard guard(lock_);
  voice_.frames = frames;
}

void DeckVoice::completeTrack(const std::int16_t* pcm, std::int32_t frames) {
  std::lock_guard guard(lock_);
  voice_.pcm = pcm;
  voice_.frames = frames;
  voice_.position = std::min(voice_.position, frames);
  trackComplete_ = true;
}

void DeckVoice::detachTrack() {
  {
    std::lock_guard guard(lock_);
    const float volume = voice_.volume;
    const std::int32_t balance = voice_.balance;
    voice_ = gm_voice_state{};
    voice_.volume = volume;
    voice_.balance = balance;
    voice_.speed = 1.0f;
    trackComplete_ = true;
    bendOffset_ = bendCountdown_ = bendFactor_ = 0;
  }
  discardRenderEvents();
}

// ---- transport -----------------------------------------------------------------------------------

bool DeckVoice::setPosition(std::int64_t frame) {
  {
    std::lock_guard guard(lock_);
    if (!voice_.pcm || frame < 0 || frame > voice_.frames) return false;
    voice_.position = std::int32_t(frame);
  }
  // Every report still queued was made before the move (the render posts under the lock).
  discardRenderEvents();
  return true;
}

std::int32_t DeckVoice::setCueAtPosition() {
  std::lock_guard guard(lock_);
  voice_.cue_frame = voice_.position;
  return voice_.position;
}

void DeckVoice::setSilenceFrames(std::int32_t frames) {
  std::lock_guard guard(lock_);
  voice_.silence_frames = frames;
}

void DeckVoice::startLoop(int loopType, std::int32_t bpm) {
  const std::int32_t beat = framesPerBeat(bpm);
  const std::int32_t length = loopLengthFrames(loopType, bpm);
  if (beat <= 0 || length <= 0) return;
  std::lock_guard guard(lock_);
  const std::int32_t offset = std::int32_t(std::abs(std::int64_t(voice_.cue_frame) - voice_.position) % beat);
  const std::int32_t gap = beat - offset;
  if (voice_.loop_start == 0) {
    voice_.loop_start = voice_.position + gap;
    voice_.loop_end = voice_.loop_start + length;
  } else {
    voice_.pending_loop_end = voice_.loop_start + length;
  }
}

void DeckVoice::clearLoop() {
  std::lock_guard guard(lock_);
  // The pending end goes too: left over, it would cut the next loop at its first wrap.
  voice_.loop_start = voice_.loop_end = voice_.loop_reserved = voice_.pending_loop_end = 0;
}

void DeckVoice::setPitch(std::int32_t pitch) {
  std::lock_guard guard(lock_);
  pitch_ = pitch;
}

void DeckVoice::setReverse(bool reverse) {
  std::lock_guard guard(lock_);
  reverse_ = reverse;
}

void DeckVoice::setBpm(std::int32_t bpm) {
  std::lock_guard guard(lock_);
  voice_.bpm = bpm;
}

void DeckVoice::setBendStep(std::int32_t step) {
  std::lock_guard guard(lock_);
  bendStep_ = step;
}

void DeckVoice::holdBend(int direction) {
  std::lock_guard guard(lock_);
  bendOffset_ = direction * bendStep_;
}

void DeckVoice::jogBend(int detents) {
  std::lock_guard guard(lock_);
  bendCountdown_ = 10;
  bendFactor_ = detents * 10;
}

void DeckVoice::setVolume(float volume) {
  std::lock_guard guard(lock_);
  voice_.volume = volume;
}

void DeckVoice::setBalance(std::int32_t balance) {
  std::lock_guard guard(lock_);
  voice_.balance = std::clamp(balance, -32767, 32767);
}

// ---- equaliser -----------------------------------------------------------------------------------

void DeckVoice::setUpEqualiser(const EqualiserSettings& settings, float highDb, float midDb, float lowDb) {
  std::lock_guard guard(lock_);
  equaliser_.setup(settings, highDb, midDb, lowDb);
}

void DeckVoice::setKills(bool high, bool mid, bool low) {
  std::lock_guard guard(lock_);
  equaliser_.setKills(high, mid, low);
}

void DeckVoice::resetEqualiser() {
  std::lock_guard guard(lock_);
  equaliser_.reset();
}

gm_voice_state DeckVoice::snapshot() const {
  std::lock_guard guard(lock_);
  return voice_;
}

// ---- render and its reports ----------------------------------------------------------------------

void DeckVoice::renderBlock(SampleBlock block) {
  std::fill_n(block.samples, block.sampleCount(), std::int16_t{0});
  if (!playing_.load(std::memory_order_relaxed)) return;
  std::lock_guard guard(lock_);
  if (!voice_.pcm) return;
  advanceBend();
  const float speed = float(pitch_ + bendOffset_) / 10000.0f;
  voice_.speed = reverse_ ? -speed : speed;
  const gm_voice_state before = voice_;
  renderer_.render(voice_, block);
  if (filter_) filter_->process(block.samples, std::uint32_t(block.bytes()), this, &before);
  bool ended = false;
  if (voice_.position >= voice_.frames) {
    // While the track still decodes, play waits at the decoded edge instead of ending.
    voice_.position = voice_.frames;
    ended = trackComplete_;
  } else if (voice_.position < 0) {
    voice_.position = 0;
  }
  equaliser_.runBlock(block, equaliserWork_);
  const bool looping = voice_.loop_start != voice_.loop_end;
  const bool flagged = bendOffset_ != 0 || (looping && ++loopBlocks_ % 10 == 0);
  postRenderEvent({RenderEvent::Position, std::uint32_t(voice_.position) | (flagged ? kFlaggedPosition : 0u)});
  if (ended) postRenderEvent({RenderEvent::EndOfTrack, 0});
}

void DeckVoice::renderFromState(const gm_voice_state& state, SampleBlock block) {
  // A filter hands back a modified copy of the play state; the track it plays is never taken
  // from it, so a faulty filter cannot make the render read memory that is not the deck's.
  gm_voice_state copy = state;
  copy.pcm = voice_.pcm;
  copy.frames = voice_.frames;
  stateRenderer_.render(copy, block);
}

void DeckVoice::advanceBend() {
  if (bendCountdown_ <= 0) return;
  --bendCountdown_;
  bendOffset_ = bendCountdown_ == 0 ? 0 : bendStep_ * bendFactor_;
}

void DeckVoice::postRenderEvent(RenderEvent event) {
  // A full ring means the main thread stalled; the next block reports a newer position anyway.
  renderEvents_.push(&event, 1);
}

bool DeckVoice::nextRenderEvent(RenderEvent& event) { return renderEvents_.pop(&event, 1) == 1; }

void DeckVoice::discardRenderEvents() {
  RenderEvent event;
  while (nextRenderEvent(event)) {
  }
}

}  // namespace gm

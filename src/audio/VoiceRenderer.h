#pragma once
// Turns a deck's play state (the voice block) and its decoded track into output frames: tempo by
// nearest-frame stepping (no interpolation), forward or backward, beat loops, balance and volume,
// and the countdown of silent frames that lets a cue jump start on the other deck's beat.
//
// Stepping. Output frame i of a piece reads source frame position + i + k (backwards:
// position − (i + k)), where the integer offset k and the float accumulator a (starting at the
// voice's fraction) evolve per frame: when trunc(a) > i, a −= 1 and k += 1; when trunc(a) < i,
// a += 1 and k −= 1; then a += |speed|, all in single precision. So at speed 2 every second frame
// is read, at 0.5 every frame twice. a + k always equals fraction + frames rendered × |speed|, so
// after a piece the position moves by trunc(a) + k frames and the fraction keeps a's fractional part:
// the next block continues exactly where this one stopped. Because k moves by at most one per frame,
// inside one piece speeds above 2 play at 2 and catch up at the piece's end.
// Speed 0 reads the same frame for the whole block and leaves the position where it was.
//
// Loops (loop_start ≠ loop_end). Forwards: when position + i + k reaches loop_end, playback goes on
// at loop_start and counting restarts at this output frame: this frame reads loop_start, the next
// frames read loop_start + (i − i₀) + (k − k₀) where i₀, k₀ are the frame and offset of the jump, and
// the accumulator is left alone (the cadence of repeated or skipped frames does not change at the
// jump). A source frame that steps over loop_end (speeds above 1) still lands on loop_start; the
// overshoot is dropped. The frames consumed before the jump do not count towards the new position.
// A pending loop end (≠ 0) becomes loop_end at the jump and is cleared, so a new length takes effect
// only from the next pass. Backwards (speed ≤ 0): when the source frame falls below loop_start,
// the pending end takes over and playback goes on at loop_end − 1, so reversing inside a loop keeps
// playing the loop that is shown, in reverse.
//
// Bounds. Source frames outside 0 .. frames − 1, or any frame when pcm is NULL, are silent; nothing
// outside pcm[0 .. frames × 2) is ever read.
//
// Gains. balance ≥ 0: left × 32767, right × (32767 − balance); balance < 0: left × (32767 + balance),
// right × 32767 (balance clamped to ±32767). Each product × volume in single precision, truncated,
// shifted right by 15 (arithmetic) and clamped to the 16-bit range; unity gain is 32767/32768.
//
// Silence countdown. While silence_frames > 0 the output frames are silent, the countdown falls by one
// per frame, and the track does not move: the first audible frame reads the held position. A block
// that ends while the countdown is still running leaves position and fraction as they were.
//
// After every block beat_gap is the distance from the new position to the next beat of the grid
// anchored at cue_frame (0 without a tempo).
//
// Capture mode (capture_flag ≠ 0). The offsets k of a piece are recorded first, then at each frame i
// where |k| grows (a frame is repeated or skipped there) the frames from i − (r mod (i − j)) to
// i − 1 take frame i's offset, r a fresh 32-bit random number and j the previous such frame (0 at
// first). At slow speeds the repeated frame thus moves to a random place between two repeats instead
// of recurring at a fixed interval; at speed 1 nothing repeats and nothing changes. Output then
// follows the rewritten offsets with the same loop, bounds, gain and silence rules; the position
// after the block is the same as in normal mode.
//
// Ill-formed play states (which plug-ins can hand back) are rendered safely: a speed that is not a
// number plays as 0, speeds beyond ±kMaxSpeed are clamped to it, a fraction outside [0, 1) starts at
// 0, and positions saturate at the 32-bit range.

#include <cstddef>
#include <cstdint>
#include <random>
#include <span>
#include <vector>

#include "audio/SampleBlock.h"
#include "groovemangler_plugin.h"

namespace gm {

class VoiceRenderer {
 public:
  static constexpr std::uint32_t kDefaultSeed = std::mt19937::default_seed;
  // Far beyond any pitch range; bounds the accumulator so that its integer part stays exact.
  static constexpr float kMaxSpeed = 16.0f;
  // Longest stretch rendered in one pass in normal mode. Longer blocks are rendered in consecutive
  // pieces, each continuing from the position and fraction the previous one left.
  static constexpr std::size_t kMaxPieceFrames = 16384;

  VoiceRenderer();

  // [main-thread, audio stopped] Sizes the capture-mode offset table for blocks of up to
  // maxBlockFrames; capture mode renders longer blocks in pieces of that size. Without a table
  // (maxBlockFrames 0, or never prepared) capture mode renders as normal mode.
  void prepare(std::size_t maxBlockFrames);

  // [main-thread] Restarts capture mode's random sequence; renderers start with kDefaultSeed.
  void seed(std::uint32_t seed);

  // [audio-thread] Renders block.frames frames of `voice` into `block` and advances the voice:
  // position, fraction, loop_end / pending_loop_end at a loop jump, silence_frames, beat_gap.
  // Returns the net change of voice.position in frames (negative backwards or after a loop jump),
  // saturated to 32 bits; voice.position itself is already updated. Never allocates. Rendering from a
  // copy of a deck's voice block leaves the deck untouched.
  std::int32_t render(gm_voice_state& voice, SampleBlock block);

 private:
  void renderPiece(gm_voice_state& voice, SampleBlock out);
  void scatterRepeats(std::span<std::int32_t> offsets);
  bool captureActive(const gm_voice_state& voice) const;

  // One source offset per output frame of a piece. Sized in prepare(), because the audio thread must
  // not allocate (capture mode used to get a fresh table for every block).
  std::vector<std::int32_t> captureOffsets_;
  std::mt19937 random_;
};

}  // namespace gm

#include "audio/VoiceRenderer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>

#include "audio/BeatGrid.h"

namespace gm {

namespace {

constexpr std::int32_t kFullGain = 32767;

std::int32_t saturateToInt32(std::int64_t value) {
  return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                            std::numeric_limits<std::int32_t>::max()));
}

// Truncation toward zero of a float that may lie outside the 32-bit range (large volumes) or be
// NaN (a corrupt volume): saturates instead of the undefined conversion, NaN gives 0.
std::int32_t truncateSaturating(float value) {
  if (value >= 2147483648.0f) {
    return std::numeric_limits<std::int32_t>::max();
  }
  if (value >= -2147483648.0f) {
    return static_cast<std::int32_t>(value);
  }
  return value < 0.0f ? std::numeric_limits<std::int32_t>::min() : 0;
}

float playableSpeed(float speed) {
  if (std::isnan(speed)) {
    return 0.0f;
  }
  return std::clamp(speed, -VoiceRenderer::kMaxSpeed, VoiceRenderer::kMaxSpeed);
}

float startFraction(float fraction) { return fraction >= 0.0f && fraction < 1.0f ? fraction : 0.0f; }

// The per-frame offset k and accumulator a of the stepping rule. a never falls below 0: it only
// drops by one when its integer part exceeds the frame index, so truncation acts as floor.
class OffsetWalk {
 public:
  OffsetWalk(float fraction, float stepFrames) : accumulator_(fraction), step_(stepFrames) {}

  // Offset of output frame `frame`; frames must come in order 0, 1, 2, ...
  std::int32_t next(std::int32_t frame) {
    const auto whole = static_cast<std::int32_t>(accumulator_);
    if (whole > frame) {
      accumulator_ -= 1.0f;
      ++offset_;
    } else if (whole < frame) {
      accumulator_ += 1.0f;
      --offset_;
    }
    const std::int32_t offset = offset_;
    accumulator_ += step_;
    return offset;
  }

  // Whole source frames travelled so far: a + k is fraction + frames × |speed|.
  std::int64_t framesTravelled() const {
    return static_cast<std::int64_t>(offset_) + static_cast<std::int32_t>(accumulator_);
  }
  float fraction() const { return accumulator_ - static_cast<float>(static_cast<std::int32_t>(accumulator_)); }

 private:
  float accumulator_;
  float step_;
  std::int32_t offset_ = 0;
};

// Maps (frame, offset) to a source frame, applying loop jumps to the voice as they happen. `origin_`
// is the frame from which travel is counted: the position at first, and after a jump the frame that
// makes the jumping output frame read the loop's entry ("counting restarts" there).
class SourceCursor {
 public:
  SourceCursor(gm_voice_state& voice, bool forward) : voice_(voice), origin_(voice.position), forward_(forward) {}

  std::int64_t sourceFrame(std::int32_t frame, std::int32_t offset) {
    const std::int64_t travelled = static_cast<std::int64_t>(frame) + offset;
    if (forward_) {
      if (loopActive() && origin_ + travelled >= voice_.loop_end) {
        origin_ = voice_.loop_start - travelled;
        takePendingLoopEnd();
      }
      return origin_ + travelled;
    }
    if (loopActive() && origin_ - travelled < voice_.loop_start) {
      takePendingLoopEnd();
      origin_ = static_cast<std::int64_t>(voice_.loop_end) - 1 + travelled;
    }
    return origin_ - travelled;
  }

  std::int32_t positionAfter(std::int64_t travelled) const {
    return saturateToInt32(forward_ ? origin_ + travelled : origin_ - travelled);
  }

 private:
  bool loopActive() const { return voice_.loop_start != voice_.loop_end; }
  void takePendingLoopEnd() {
    if (voice_.pending_loop_end != 0) {
      voice_.loop_end = voice_.pending_loop_end;
      voice_.pending_loop_end = 0;
    }
  }

  gm_voice_state& voice_;
  std::int64_t origin_;
  bool forward_;
};

// Reads source frames with bounds checks and applies balance and volume.
class FrameSource {
 public:
  explicit FrameSource(const gm_voice_state& voice)
      : pcm_(voice.pcm), frames_(voice.pcm == nullptr ? 0 : std::max(voice.frames, 0)), volume_(voice.volume) {
    const std::int32_t balance = std::clamp(voice.balance, -kFullGain, kFullGain);
    leftGain_ = balance >= 0 ? kFullGain : kFullGain + balance;
    rightGain_ = balance >= 0 ? kFullGain - balance : kFullGain;
  }

  void copyFrame(std::int64_t sourceFrame, std::int16_t* out) const {
    if (sourceFrame < 0 || sourceFrame >= frames_) {
      out[0] = 0;
      out[1] = 0;
      return;
    }
    const std::int16_t* frame = pcm_ + sourceFrame * kChannels;
    out[0] = scaled(frame[0], leftGain_);
    out[1] = scaled(frame[1], rightGain_);
  }

 private:
  std::int16_t scaled(std::int16_t sample, std::int32_t gain) const {
    const std::int32_t product = sample * gain;  // at most 32768 × 32767 in magnitude
    const std::int32_t shifted = truncateSaturating(static_cast<float>(product) * volume_) >> 15;
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(shifted, -32768, 32767));
  }

  const std::int16_t* pcm_;
  std::int64_t frames_;
  float volume_;
  std::int32_t leftGain_ = kFullGain;
  std::int32_t rightGain_ = kFullGain;
};

// Writes the frames of the silence countdown at the start of the block and counts them off.
std::size_t writeCountdownSilence(gm_voice_state& voice, SampleBlock block) {
  if (voice.silence_frames <= 0) {
    return 0;
  }
  const std::size_t silent = std::min(block.frames, static_cast<std::size_t>(voice.silence_frames));
  std::fill_n(block.samples, silent * kChannels, std::int16_t{0});
  voice.silence_frames -= static_cast<std::int32_t>(silent);
  return silent;
}

}  // namespace

VoiceRenderer::VoiceRenderer() : random_(kDefaultSeed) {}

void VoiceRenderer::prepare(std::size_t maxBlockFrames) { captureOffsets_.assign(maxBlockFrames, 0); }

void VoiceRenderer::seed(std::uint32_t seed) { random_.seed(seed); }

bool VoiceRenderer::captureActive(const gm_voice_state& voice) const {
  return voice.capture_flag != 0 && !captureOffsets_.empty();
}

std::int32_t VoiceRenderer::render(gm_voice_state& voice, SampleBlock block) {
  if (block.samples == nullptr) {
    return 0;
  }
  const std::int64_t positionBefore = voice.position;
  // Silent frames do not move the track, so the audible rest of the block starts at the held position.
  std::size_t done = writeCountdownSilence(voice, block);
  const std::size_t pieceLimit = captureActive(voice) ? captureOffsets_.size() : kMaxPieceFrames;
  while (done < block.frames) {
    const std::size_t piece = std::min(block.frames - done, pieceLimit);
    renderPiece(voice, block.subBlock(done, piece));
    done += piece;
  }
  voice.beat_gap = beatGap(voice.cue_frame, voice.position, voice.bpm);
  return saturateToInt32(static_cast<std::int64_t>(voice.position) - positionBefore);
}

void VoiceRenderer::renderPiece(gm_voice_state& voice, SampleBlock out) {
  const float speed = playableSpeed(voice.speed);
  OffsetWalk walk(startFraction(voice.fraction), std::fabs(speed));
  SourceCursor cursor(voice, speed > 0.0f);
  const FrameSource source(voice);
  const auto frames = static_cast<std::int32_t>(out.frames);
  if (captureActive(voice)) {
    const std::span<std::int32_t> offsets(captureOffsets_.data(), out.frames);
    for (std::int32_t i = 0; i < frames; ++i) {
      offsets[static_cast<std::size_t>(i)] = walk.next(i);
    }
    scatterRepeats(offsets);
    for (std::int32_t i = 0; i < frames; ++i) {
      source.copyFrame(cursor.sourceFrame(i, offsets[static_cast<std::size_t>(i)]), out.samples + i * kChannels);
    }
  } else {
    for (std::int32_t i = 0; i < frames; ++i) {
      source.copyFrame(cursor.sourceFrame(i, walk.next(i)), out.samples + i * kChannels);
    }
  }
  voice.position = cursor.positionAfter(walk.framesTravelled());
  voice.fraction = walk.fraction();
}

void VoiceRenderer::scatterRepeats(std::span<std::int32_t> offsets) {
  std::size_t previousStep = 0;         // j: the last frame where |k| grew
  std::int32_t previousMagnitude = 0;   // |k| recorded for the frame before; k starts at 0
  for (std::size_t frame = 0; frame < offsets.size(); ++frame) {
    // Only frames before `frame` are ever rewritten, so offsets[frame] is still the recorded value.
    const std::int32_t magnitude = std::abs(offsets[frame]);
    const bool grows = magnitude > previousMagnitude;
    previousMagnitude = magnitude;
    if (!grows || frame == previousStep) {
      continue;
    }
    const std::size_t shifted = random_() % (frame - previousStep);
    std::fill(offsets.begin() + static_cast<std::ptrdiff_t>(frame - shifted),
              offsets.begin() + static_cast<std::ptrdiff_t>(frame), offsets[frame]);
    previousStep = frame;
  }
}

}  // namespace gm

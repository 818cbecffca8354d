#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <set>
#include <vector>

#include "audio/BeatGrid.h"
#include "audio/VoiceRenderer.h"

namespace gm {
namespace {

constexpr int kSilent = -1;

// A track whose every frame can be identified in the output at unity gain: frame n holds
// left = 1 + n / 16384 and right = −(1 + n % 16384). Unity gain is 32767/32768, which turns the
// left sample v into v − 1 and keeps the right one exactly (while |v| stays well below 32768), so the
// output frame (n / 16384, −(1 + n % 16384)) names source frame n and (0, 0) means silence.
std::vector<std::int16_t> numberedTrack(int frames) {
  std::vector<std::int16_t> pcm(static_cast<std::size_t>(frames) * 2);
  for (int n = 0; n < frames; ++n) {
    pcm[static_cast<std::size_t>(n) * 2] = static_cast<std::int16_t>(1 + n / 16384);
    pcm[static_cast<std::size_t>(n) * 2 + 1] = static_cast<std::int16_t>(-(1 + n % 16384));
  }
  return pcm;
}

gm_voice_state voiceOver(const std::vector<std::int16_t>& pcm, std::int32_t position, float speed) {
  gm_voice_state voice{};
  voice.frames = static_cast<std::int32_t>(pcm.size() / 2);
  voice.pcm = pcm.data();
  voice.position = position;
  voice.speed = speed;
  voice.volume = 1.0f;
  return voice;
}

// Renders `frames` frames (the buffer starts filled with garbage, which must all be overwritten).
std::vector<std::int16_t> renderBlock(VoiceRenderer& renderer, gm_voice_state& voice, std::size_t frames,
                                      std::int32_t* consumed = nullptr) {
  std::vector<std::int16_t> out(frames * 2, 0x1234);
  const std::int32_t result = renderer.render(voice, SampleBlock{out.data(), frames});
  if (consumed != nullptr) {
    *consumed = result;
  }
  return out;
}

std::vector<int> sourceFrames(const std::vector<std::int16_t>& out) {
  std::vector<int> sources;
  for (std::size_t i = 0; i < out.size(); i += 2) {
    const int high = out[i];
    const int low = -out[i + 1] - 1;
    sources.push_back(high == 0 && low == -1 ? kSilent : high * 16384 + low);
  }
  return sources;
}

std::vector<int> renderSources(VoiceRenderer& renderer, gm_voice_state& voice, std::size_t frames,
                               std::int32_t* consumed = nullptr) {
  return sourceFrames(renderBlock(renderer, voice, frames, consumed));
}

using Frames = std::vector<int>;

TEST(BeatGrid, BeatLengthAndGapToTheNextBeat) {
  EXPECT_EQ(framesPerBeat(12000), 22050);
  EXPECT_EQ(framesPerBeat(12800), 20671);
  EXPECT_EQ(framesPerBeat(0), 0);
  EXPECT_EQ(framesPerBeat(-12000), 0);

  EXPECT_EQ(beatGap(1000, 1000, 12000), 22050);  // on a beat: the next one is a whole beat away
  EXPECT_EQ(beatGap(1000, 1001, 12000), 22049);
  EXPECT_EQ(beatGap(1000, 1000 + 22049, 12000), 1);
  EXPECT_EQ(beatGap(1000, 500, 12000), 21550);  // distance, not signed difference
  EXPECT_EQ(beatGap(-2000000000, 2000000000, 12000), 2300);  // 4e9 mod 22050 = 19750: no 32-bit overflow
  EXPECT_EQ(beatGap(1000, 5000, 0), 0);
}

TEST(BeatGrid, LoopLengthsAtOneHundredTwentyBpm) {
  const std::int32_t expected[kLoopTypeCount] = {0,      689,    1378,   2756,    5512,    11025,   22050,  44100,
                                                 88200,  176400, 352800, 705600,  1411200, 2822400, 5644800};
  for (int type = 0; type < kLoopTypeCount; ++type) {
    EXPECT_EQ(loopLengthFrames(type, 12000), expected[type]) << "type " << type;
  }
  EXPECT_EQ(loopLengthFrames(6, 12800), 20671);
  EXPECT_EQ(loopLengthFrames(15, 12000), 0);
  EXPECT_EQ(loopLengthFrames(-1, 12000), 0);
  EXPECT_EQ(loopLengthFrames(6, 0), 0);
  EXPECT_EQ(loopLengthFrames(14, 1), std::numeric_limits<std::int32_t>::max());
}

TEST(VoiceRenderer, UnitySpeedCopiesFramesAtUnityGain) {
  std::vector<std::int16_t> ramp(64 * 2);
  for (int n = 0; n < 64; ++n) {
    ramp[static_cast<std::size_t>(n) * 2] = static_cast<std::int16_t>(n);
    ramp[static_cast<std::size_t>(n) * 2 + 1] = static_cast<std::int16_t>(-n);
  }
  VoiceRenderer renderer;
  auto voice = voiceOver(ramp, 10, 1.0f);
  std::int32_t consumed = 0;
  EXPECT_EQ(renderBlock(renderer, voice, 4, &consumed),
            (std::vector<std::int16_t>{9, -10, 10, -11, 11, -12, 12, -13}));
  EXPECT_EQ(consumed, 4);
  EXPECT_EQ(voice.position, 14);
  EXPECT_EQ(voice.fraction, 0.0f);
}

TEST(VoiceRenderer, StepsThroughSourceFramesAndCarriesTheFraction) {
  const auto pcm = numberedTrack(100);
  VoiceRenderer renderer;
  std::int32_t consumed = 0;

  auto twice = voiceOver(pcm, 10, 2.0f);
  twice.fraction = 0.5f;
  EXPECT_EQ(renderSources(renderer, twice, 3, &consumed), (Frames{10, 12, 14}));
  EXPECT_EQ(consumed, 6);
  EXPECT_EQ(twice.fraction, 0.5f);
  EXPECT_EQ(renderSources(renderer, twice, 3), (Frames{16, 18, 20}));
  EXPECT_EQ(twice.position, 22);

  auto half = voiceOver(pcm, 10, 0.5f);
  EXPECT_EQ(renderSources(renderer, half, 3, &consumed), (Frames{10, 10, 11}));
  EXPECT_EQ(consumed, 1);
  EXPECT_EQ(half.position, 11);
  EXPECT_EQ(half.fraction, 0.5f);
  EXPECT_EQ(renderSources(renderer, half, 3), (Frames{11, 12, 12}));
  EXPECT_EQ(half.position, 13);
  EXPECT_EQ(half.fraction, 0.0f);

  auto oneAndHalf = voiceOver(pcm, 0, 1.5f);
  EXPECT_EQ(renderSources(renderer, oneAndHalf, 4), (Frames{0, 1, 3, 4}));
  EXPECT_EQ(oneAndHalf.position, 6);

  // Backwards into the start of the track: frames before 0 are silent, the position goes negative
  // (the deck clamps it).
  auto backwards = voiceOver(pcm, 5, -1.0f);
  EXPECT_EQ(renderSources(renderer, backwards, 4, &consumed), (Frames{5, 4, 3, 2}));
  EXPECT_EQ(consumed, -4);
  EXPECT_EQ(renderSources(renderer, backwards, 4), (Frames{1, 0, kSilent, kSilent}));
  EXPECT_EQ(backwards.position, -3);

  // Standing still holds one frame and keeps position and fraction.
  auto still = voiceOver(pcm, 7, 0.0f);
  still.fraction = 0.25f;
  EXPECT_EQ(renderSources(renderer, still, 5, &consumed), (Frames{7, 7, 7, 7, 7}));
  EXPECT_EQ(consumed, 0);
  EXPECT_EQ(still.position, 7);
  EXPECT_EQ(still.fraction, 0.25f);
}

TEST(VoiceRenderer, LongBlocksContinueSeamlesslyAcrossInternalPieces) {
  const auto pcm = numberedTrack(30000);
  VoiceRenderer renderer;
  auto voice = voiceOver(pcm, 100, 0.5f);
  const std::size_t frames = 2 * VoiceRenderer::kMaxPieceFrames + 1000;
  const Frames sources = renderSources(renderer, voice, frames);
  for (std::size_t i = 0; i < frames; ++i) {
    ASSERT_EQ(sources[i], 100 + static_cast<int>(i / 2)) << "frame " << i;
  }
  EXPECT_EQ(voice.position, 100 + static_cast<std::int32_t>(frames / 2));
}

TEST(VoiceRenderer, FramesOutsideTheTrackAreSilent) {
  VoiceRenderer renderer;
  const auto pcm = numberedTrack(20);
  auto nearEnd = voiceOver(pcm, 18, 1.0f);
  EXPECT_EQ(renderSources(renderer, nearEnd, 4), (Frames{18, 19, kSilent, kSilent}));
  EXPECT_EQ(nearEnd.position, 22);

  const auto shortTrack = numberedTrack(3);
  auto shorter = voiceOver(shortTrack, 0, 1.0f);
  std::int32_t consumed = 0;
  EXPECT_EQ(renderSources(renderer, shorter, 8, &consumed), (Frames{0, 1, 2, kSilent, kSilent, kSilent, kSilent, kSilent}));
  EXPECT_EQ(consumed, 8);

  auto noPcm = voiceOver(pcm, 0, 1.0f);
  noPcm.pcm = nullptr;
  noPcm.frames = 100;
  EXPECT_EQ(renderBlock(renderer, noPcm, 4), std::vector<std::int16_t>(8, 0));

  auto negativeLength = voiceOver(pcm, 0, 1.0f);
  negativeLength.frames = -5;
  EXPECT_EQ(renderBlock(renderer, negativeLength, 4), std::vector<std::int16_t>(8, 0));
}

TEST(VoiceRenderer, BeatLoopWrapsAtItsEndAndTakesANewLengthAtTheNextWrap) {
  const auto pcm = numberedTrack(100000);
  VoiceRenderer renderer;
  auto voice = voiceOver(pcm, 30000, 1.0f);
  voice.bpm = 12000;
  voice.cue_frame = 1000;
  // The loop a deck sets for type 6 at 120.00 BPM: one beat, from the next beat of the cue's grid.
  voice.loop_start = voice.position + beatGap(voice.cue_frame, voice.position, voice.bpm);
  voice.loop_end = voice.loop_start + loopLengthFrames(6, voice.bpm);
  ASSERT_EQ(voice.loop_start, 1000 + 2 * 22050);
  ASSERT_EQ(voice.loop_end, voice.loop_start + 22050);

  voice.position = voice.loop_end - 100;
  std::int32_t consumed = 0;
  Frames sources = renderSources(renderer, voice, 512, &consumed);
  EXPECT_EQ(sources[0], voice.loop_end - 100);
  EXPECT_EQ(sources[99], voice.loop_end - 1);
  EXPECT_EQ(sources[100], voice.loop_start);
  EXPECT_EQ(sources[511], voice.loop_start + 411);
  EXPECT_EQ(voice.position, voice.loop_start + 412);
  EXPECT_EQ(consumed, voice.position - (voice.loop_end - 100));

  // A shorter length chosen during the loop: the current pass still runs to the old end.
  const std::int32_t oldEnd = voice.loop_end;
  const std::int32_t newEnd = voice.loop_start + loopLengthFrames(5, voice.bpm);
  voice.pending_loop_end = newEnd;
  voice.position = newEnd + 1000;
  sources = renderSources(renderer, voice, 512);
  EXPECT_EQ(sources[511], newEnd + 1511);
  EXPECT_EQ(voice.loop_end, oldEnd);
  EXPECT_EQ(voice.pending_loop_end, newEnd);

  voice.position = oldEnd - 10;
  sources = renderSources(renderer, voice, 512);
  EXPECT_EQ(sources[10], voice.loop_start);
  EXPECT_EQ(voice.loop_end, newEnd);
  EXPECT_EQ(voice.pending_loop_end, 0);

  voice.position = newEnd - 5;
  sources = renderSources(renderer, voice, 512);
  EXPECT_EQ(sources[4], newEnd - 1);
  EXPECT_EQ(sources[5], voice.loop_start);

  // Stepping over the end lands on the loop's first frame; the position continues from there.
  voice.speed = 2.0f;
  voice.position = newEnd - 3;
  EXPECT_EQ(renderSources(renderer, voice, 4), (Frames{newEnd - 3, newEnd - 1, voice.loop_start, voice.loop_start + 2}));
  EXPECT_EQ(voice.position, voice.loop_start + 4);
}

TEST(VoiceRenderer, ReversePlayStaysInsideTheLoop) {
  const auto pcm = numberedTrack(100000);
  VoiceRenderer renderer;
  auto voice = voiceOver(pcm, 45102, -1.0f);
  voice.loop_start = 45100;
  voice.loop_end = 67150;
  EXPECT_EQ(renderSources(renderer, voice, 5), (Frames{45102, 45101, 45100, 67149, 67148}));
  EXPECT_EQ(voice.position, 67147);

  voice.pending_loop_end = 56125;
  voice.position = 45101;
  EXPECT_EQ(renderSources(renderer, voice, 3), (Frames{45101, 45100, 56124}));
  EXPECT_EQ(voice.loop_end, 56125);
  EXPECT_EQ(voice.pending_loop_end, 0);
}

TEST(VoiceRenderer, BalanceAndVolumeScaleWithTruncationAndClamp) {
  const std::vector<std::int16_t> pcm = {30000, -30000, -32768, 32767, 1000, -1000, 1, -1, -1, 1};
  VoiceRenderer renderer;
  const auto renderWith = [&](std::int32_t balance, float volume) {
    auto voice = voiceOver(pcm, 0, 1.0f);
    voice.balance = balance;
    voice.volume = volume;
    return renderBlock(renderer, voice, 5);
  };
  using Samples = std::vector<std::int16_t>;
  EXPECT_EQ(renderWith(16384, 0.5f), (Samples{14999, -7500, -16384, 8191, 499, -250, 0, -1, -1, 0}));
  EXPECT_EQ(renderWith(-16384, 0.5f), (Samples{7499, -15000, -8192, 16383, 249, -500, 0, -1, -1, 0}));
  EXPECT_EQ(renderWith(0, 1.0f), (Samples{29999, -30000, -32767, 32766, 999, -1000, 0, -1, -1, 0}));
  EXPECT_EQ(renderWith(0, 2.0f), (Samples{32767, -32768, -32768, 32767, 1999, -2000, 1, -2, -2, 1}));
  // Beyond the 32-bit range before the shift: saturates instead of wrapping.
  EXPECT_EQ(renderWith(0, 4.0f), (Samples{32767, -32768, -32768, 32767, 3999, -4000, 3, -4, -4, 3}));
  // Full right balance silences the right channel; a balance beyond the range does not invert it.
  EXPECT_EQ(renderWith(32767, 1.0f), (Samples{29999, 0, -32767, 0, 999, 0, 0, 0, -1, 0}));
  EXPECT_EQ(renderWith(40000, 1.0f), renderWith(32767, 1.0f));
  EXPECT_EQ(renderWith(0, std::nanf("")), Samples(10, 0));

  // The product with the volume is rounded to single precision before the truncation: at 0.8 these
  // samples come out one lower (or higher) when it is taken in double precision.
  const std::vector<std::int16_t> rounded = {-32766, -24582, 8199, 16393, 24592, -1000};
  auto voice = voiceOver(rounded, 0, 1.0f);
  voice.volume = 0.8f;
  EXPECT_EQ(renderBlock(renderer, voice, 3), (Samples{-26212, -19665, 6559, 13114, 19673, -800}));
}

TEST(VoiceRenderer, SilenceCountdownHoldsThePosition) {
  const auto pcm = numberedTrack(2000);
  VoiceRenderer renderer;
  auto voice = voiceOver(pcm, 100, 1.0f);
  voice.silence_frames = 700;
  voice.fraction = 0.25f;
  std::int32_t consumed = -1;
  EXPECT_EQ(renderBlock(renderer, voice, 512, &consumed), std::vector<std::int16_t>(1024, 0));
  EXPECT_EQ(consumed, 0);
  EXPECT_EQ(voice.position, 100);
  EXPECT_EQ(voice.fraction, 0.25f);
  EXPECT_EQ(voice.silence_frames, 188);

  const Frames sources = renderSources(renderer, voice, 512);
  EXPECT_EQ(sources[187], kSilent);
  EXPECT_EQ(sources[188], 100);  // the first audible frame is the held one
  EXPECT_EQ(sources[511], 423);
  EXPECT_EQ(voice.silence_frames, 0);
  EXPECT_EQ(voice.position, 424);
}

TEST(VoiceRenderer, BeatGapFollowsThePositionAfterEachBlock) {
  const auto pcm = numberedTrack(2000);
  VoiceRenderer renderer;
  auto voice = voiceOver(pcm, 1000, 1.0f);
  voice.cue_frame = 1000;
  voice.bpm = 12000;
  renderBlock(renderer, voice, 512);
  EXPECT_EQ(voice.beat_gap, 22050 - 512);
  voice.silence_frames = 1000;
  renderBlock(renderer, voice, 512);
  EXPECT_EQ(voice.beat_gap, 22050 - 512);
  voice.bpm = 0;
  renderBlock(renderer, voice, 512);
  EXPECT_EQ(voice.beat_gap, 0);
}

TEST(VoiceRenderer, CaptureModeChangesNothingWithoutRepeatedFrames) {
  const auto pcm = numberedTrack(5000);
  for (const float speed : {1.0f, 2.0f, -1.0f}) {
    VoiceRenderer normal;
    VoiceRenderer capturing;
    capturing.prepare(512);
    auto plain = voiceOver(pcm, 2000, speed);
    plain.loop_start = 2100;
    plain.loop_end = 2900;
    auto captured = plain;
    captured.capture_flag = 1;
    for (int block = 0; block < 4; ++block) {
      EXPECT_EQ(renderBlock(capturing, captured, 512), renderBlock(normal, plain, 512)) << speed;
      EXPECT_EQ(captured.position, plain.position) << speed;
    }
  }
}

// Every output frame of a capture-mode render at half speed comes from the frames a normal render
// visits, in the same order, and only the places of the repeats differ.
TEST(VoiceRenderer, CaptureModeMovesRepeatsAtRandomWithinTheVisitedFrames) {
  const auto pcm = numberedTrack(5000);
  VoiceRenderer normal;
  VoiceRenderer capturing;
  capturing.prepare(256);  // smaller than the block: rendered in pieces
  capturing.seed(1234);
  auto plain = voiceOver(pcm, 300, 0.5f);
  auto captured = plain;
  captured.capture_flag = 1;
  Frames plainSources;
  Frames capturedSources;
  for (int block = 0; block < 3; ++block) {
    const Frames expected = renderSources(normal, plain, 512);
    const Frames actual = renderSources(capturing, captured, 512);
    EXPECT_EQ(actual.front(), expected.front());
    EXPECT_EQ(actual.back(), expected.back());
    EXPECT_EQ(captured.position, plain.position);
    EXPECT_EQ(captured.fraction, plain.fraction);
    plainSources.insert(plainSources.end(), expected.begin(), expected.end());
    capturedSources.insert(capturedSources.end(), actual.begin(), actual.end());
  }
  for (std::size_t i = 1; i < capturedSources.size(); ++i) {
    const int step = capturedSources[i] - capturedSources[i - 1];
    ASSERT_TRUE(step == 0 || step == 1) << "frame " << i;
  }
  EXPECT_EQ(std::set<int>(capturedSources.begin(), capturedSources.end()),
            std::set<int>(plainSources.begin(), plainSources.end()));
  EXPECT_NE(capturedSources, plainSources);

  // The same seed gives the same render; a renderer without a table plays as in normal mode.
  VoiceRenderer again;
  again.prepare(256);
  again.seed(1234);
  auto replay = voiceOver(pcm, 300, 0.5f);
  replay.capture_flag = 1;
  EXPECT_EQ(renderSources(again, replay, 512), Frames(capturedSources.begin(), capturedSources.begin() + 512));
  VoiceRenderer unprepared;
  auto fallback = voiceOver(pcm, 300, 0.5f);
  fallback.capture_flag = 1;
  EXPECT_EQ(renderSources(unprepared, fallback, 512), Frames(plainSources.begin(), plainSources.begin() + 512));
}

TEST(VoiceRenderer, IllFormedStatesRenderSafely) {
  const auto pcm = numberedTrack(100);
  VoiceRenderer renderer;
  auto notANumber = voiceOver(pcm, 10, std::nanf(""));
  notANumber.fraction = std::nanf("");
  EXPECT_EQ(renderSources(renderer, notANumber, 3), (Frames{10, 10, 10}));
  EXPECT_EQ(notANumber.position, 10);

  auto infinite = voiceOver(pcm, 0, std::numeric_limits<float>::infinity());
  renderBlock(renderer, infinite, 4);
  EXPECT_EQ(infinite.position, 4 * static_cast<std::int32_t>(VoiceRenderer::kMaxSpeed));

  auto atTheLimit = voiceOver(pcm, std::numeric_limits<std::int32_t>::max() - 10, 16.0f);
  EXPECT_EQ(renderBlock(renderer, atTheLimit, 8), std::vector<std::int16_t>(16, 0));
  EXPECT_EQ(atTheLimit.position, std::numeric_limits<std::int32_t>::max());
}

}  // namespace
}  // namespace gm

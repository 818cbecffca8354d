#pragma once
// Beat arithmetic of a deck at 44100 Hz: the length of a beat in frames, the distance from a
// position to the next beat of a grid anchored at the cue point, and beat-locked loop lengths.
// Tempi are integers in hundredths of a beat per minute (12000 = 120.00 BPM). Every expression
// keeps its double-precision form and its truncation so that loop points land on the same frames
// as in the tracks' saved data; 0 stands for "no tempo known" and yields 0 everywhere.

#include <array>
#include <cstddef>
#include <cstdint>

namespace gm {

// Loop types index kLoopLengthFactors: 0 = no loop, 1 = 1/32 beat, 2 = 1/16, ... 6 = 1 beat, ...
// 14 = 256 beats.
inline constexpr int kLoopTypeCount = 15;

// Loop lengths in eighths of a beat: type t > 0 lasts 0.25 × 2^(t−1) eighths, i.e. 2^(t−6) beats.
// Stored as floats (rather than derived) because the product with the beat length is taken with
// these exact single-precision factors.
inline constexpr std::array<float, kLoopTypeCount> kLoopLengthFactors = {
    0.0f, 0.25f, 0.5f, 1.0f, 2.0f, 4.0f, 8.0f, 16.0f, 32.0f, 64.0f, 128.0f, 256.0f, 512.0f, 1024.0f, 2048.0f};

// Frames per beat: trunc(60.0 / (bpm / 100.0) × 44100.0); 0 when bpmHundredths ≤ 0.
// Example: 12000 → 22050, 12800 → 20671.
std::int32_t framesPerBeat(std::int32_t bpmHundredths);

// Frames from positionFrames to the next beat of the grid whose beats fall on cueFrame ± m ×
// framesPerBeat: framesPerBeat − (|cueFrame − positionFrames| mod framesPerBeat), a value in
// 1 .. framesPerBeat (a position on a beat is a whole beat away from the next one).
// 0 when no tempo is known (framesPerBeat is 0).
std::int32_t beatGap(std::int32_t cueFrame, std::int32_t positionFrames, std::int32_t bpmHundredths);

// Frames of a loop of `loopType` (1..14): trunc(factor[type] × (60.0 / (bpm / 50.0) × 44100.0 × 0.25)),
// that is the loop's length in beats × the beat length before truncation (type 6 at 12000 → 22050,
// type 1 at 12000 → 689). 0 for type 0, for types outside 0..14 and when bpmHundredths ≤ 0.
// Lengths beyond the 32-bit frame range (only for tempi far below 60 BPM) saturate at INT32_MAX.
std::int32_t loopLengthFrames(int loopType, std::int32_t bpmHundredths);

}  // namespace gm

#pragma once
// One decoded track with its analysis arrays, owned by the deck that loaded it. The loader fills it
// on its thread; the main thread meanwhile reads only the overview words below `overviewCount`, the
// `loadEnded` flag and the fields that stay as they were when the record was handed over (frames,
// byteSize, blockCount and the rates). While a track loads, `frames` is the length expected so far
// and only the decoded part of `pcm` is usable; a load whose length differs from that ends in a new
// record of the exact length (the samples stay where they are), so those fields never change under
// a reader.

#include <atomic>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "tracks/PcmMemory.h"
#include "tracks/TrackBands.h"
#include "tracks/TrackKey.h"

namespace gm {

struct SampleData {
  static constexpr std::int32_t kBlockFrames = 220;
  // The longest track: the deck counts its bytes in 32 bits (about 3 h 22 min at 44100 Hz).
  static constexpr std::int64_t kMaxFrames = std::numeric_limits<std::int32_t>::max() / 4;

  // A zeroed record for `frames` frames, all of them usable; nullptr when the memory cannot be had.
  static std::shared_ptr<SampleData> allocate(std::int64_t frames);
  // A record of `frames` frames (at most kMaxFrames) that takes over `pcm`: the samples stay where
  // they are, so a voice playing them goes on undisturbed. nullptr (and `pcm` left alone) when the
  // memory for the other arrays cannot be had.
  static std::shared_ptr<SampleData> adopt(PcmMemory& pcm, std::int64_t frames);

  // The file decoded less than this share of the length it states exactly: it is damaged or was cut
  // short.
  bool cutShort() const { return statedFrames > 0 && std::int64_t(frames) * 10 < statedFrames * 9; }

  PcmMemory pcm;                  // frames × 2 interleaved samples, left then right
  std::int32_t byteSize = 0;      // frames × 4
  std::int32_t frames = 0;
  std::int32_t seconds = 0;       // frames / sampleRate
  std::int32_t sampleRate = 0;        // of pcm: always the decoder's standard rate, 44100 Hz
  std::int32_t sourceSampleRate = 0;  // of the file; pcm was resampled from it when it differs
  std::int64_t statedFrames = 0;      // the length the file states exactly (at sampleRate); 0: none
  std::int16_t maxSample = 0;     // over both channels
  std::int16_t minSample = 0;
  std::int32_t peak = 0;          // largest magnitude of the left channel
  // One word per 220-frame block: bits 31-16 the largest, bits 15-0 the smallest left sample.
  std::vector<std::uint32_t> overview;
  std::atomic<std::int32_t> overviewCount{0};  // words filled so far (release-published by the loader)
  // Set (with release) once the loader has written everything: overviewCount is then final and
  // equals blockCount.
  std::atomic<bool> loadEnded{false};
  std::int32_t blockCount = 0;                 // frames / 220
  std::int32_t detectedBpm = 0;                // hundredths of BPM; 0 = none
  std::int32_t loadPercent = 0;
  TrackDigest digest{};
  std::string key;         // 16 hexadecimal digits
  std::string scriptPath;  // "Keyledger/<key>.rx"
  TrackBands bands;  // band analysis, after the load (see TrackBands for who reads what when)
  bool analysisDone = false;
};

}  // namespace gm

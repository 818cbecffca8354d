#pragma once
// Decoding a file into a SampleData on a deck's loader thread: 128 KiB pulls of 44100 Hz frames
// straight into the track's memory (mono duplicated into both channels), extremes, peak and overview
// words as they come, integer-percent progress, and the track key at the end. The record that comes
// back holds exactly the decoded frames, however far the file's stated length was off.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tracks/SampleData.h"

namespace gm {

class MediaDecoder;

class TrackLoader {
 public:
  struct Hooks {
    // [loader-thread] Hands the record's memory to the deck's voice (under the deck lock), so the
    // track can play while the rest decodes. Called again with the finished record when the track's
    // length differs from the memory reserved for it (its samples move only if it had to grow).
    std::function<void(const std::shared_ptr<SampleData>&)> attach;
    // [loader-thread] Frames 0 .. decodedFrames of the attached memory are final: the voice may
    // play them (under the deck lock, which also publishes the samples to the render).
    std::function<void(std::int32_t decodedFrames)> decoded;
    // [loader-thread] A new integer percentage was reached. 100 comes last and once, with the
    // finished record.
    std::function<void(const std::shared_ptr<SampleData>&)> progress;
    // [loader-thread] True when the deck is going away: decoding ends early.
    std::function<bool()> cancelled;
  };

  static constexpr std::size_t kPullBytes = 131072;
  static constexpr std::size_t kMonoPullBytes = 4096;

  // [loader-thread] nullptr with `error` set when the file cannot be opened, or with `error` empty
  // when the memory for it cannot be had.
  static std::shared_ptr<SampleData> decode(const std::string& path, const Hooks& hooks, std::string& error);

  // [any-thread] The digest of a track read at the file's own rate (mono samples taken twice),
  // which is the key the deck gives it: the playlist finds a track's stored values with it.
  // Rewinds the decoder; nullopt when the file can no longer be read.
  static std::optional<TrackDigest> sourceRateDigest(MediaDecoder& decoder);

 private:
  class Scanner;
  static bool decodeInto(MediaDecoder& decoder, std::shared_ptr<SampleData>& sample, const Hooks& hooks);
  static std::shared_ptr<SampleData> grownRecord(const SampleData& sample, const std::vector<std::int16_t>& tail);
  static std::shared_ptr<SampleData> trimmedRecord(SampleData& sample, std::size_t frames);
  static void takeOverHeader(const SampleData& from, SampleData& to);
  static void finish(SampleData& sample, const std::optional<TrackDigest>& sourceDigest);
};

}  // namespace gm

#pragma once
// Decoding a file into a SampleData on a deck's loader thread: 128 KiB pulls of 44100 Hz frames
// straight into the track's memory (mono duplicated into both channels), extremes, peak and overview
// words as they come, integer-percent progress, and the track key at the end. The record that comes
// back holds exactly the decoded frames, however far the file's stated length was off: the memory a
// load takes follows what the file delivers, never what its header claims, and a stream longer than
// the limit ends the load instead of taking all memory.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tracks/PcmMemory.h"
#include "tracks/SampleData.h"

namespace gm {

class MediaDecoder;

struct TrackLoadOptions {
  // The longest track taken (at most SampleData::kMaxFrames); a longer stream fails the load.
  std::int64_t maxFrames = SampleData::kMaxFrames;
  PcmMemory::Pages pages = PcmMemory::Pages::Huge;
};

class TrackLoader {
 public:
  struct Hooks {
    // [loader-thread] Hands the record's memory to the deck's voice (under the deck lock), so the
    // track can play while the rest decodes. Called once, before decoding: the samples never move.
    std::function<void(const std::shared_ptr<SampleData>&)> attach;
    // [loader-thread] Frames 0 .. decodedFrames of the attached memory (now `sample`'s) are final:
    // the voice may play them (under the deck lock, which also publishes the samples to the render).
    std::function<void(const SampleData& sample, std::int32_t decodedFrames)> decoded;
    // [loader-thread] A new integer percentage was reached. 100 comes last and once, with the
    // finished record.
    std::function<void(const std::shared_ptr<SampleData>&)> progress;
    // [loader-thread] True when the deck is going away: decoding ends early, even inside FFmpeg.
    std::function<bool()> cancelled;
  };
  using Options = TrackLoadOptions;

  static constexpr std::size_t kPullBytes = 131072;
  static constexpr std::size_t kMonoPullBytes = 4096;

  // [loader-thread] nullptr with `error` set when the file cannot be opened, or with `error` empty
  // when the track cannot have the memory it needs: longer than options.maxFrames, or refused by the
  // system.
  static std::shared_ptr<SampleData> decode(const std::string& path, const Hooks& hooks, std::string& error,
                                            const Options& options = {});

  // [any-thread] The digest of a track read at the file's own rate (mono samples taken twice),
  // which is the key the deck gives it: the playlist finds a track's stored values with it.
  // Rewinds the decoder; nullopt when the file can no longer be read.
  static std::optional<TrackDigest> sourceRateDigest(MediaDecoder& decoder);

 private:
  class Scanner;
  static std::shared_ptr<SampleData> load(const std::string& path, const Hooks& hooks, std::string& error,
                                          const Options& options);
  static std::shared_ptr<SampleData> reservedRecord(const MediaDecoder& decoder, std::int64_t& limitFrames,
                                                    PcmMemory::Pages pages);
  static bool decodeInto(MediaDecoder& decoder, std::shared_ptr<SampleData>& sample, std::int64_t limitFrames,
                         const Hooks& hooks);
  static bool pullNext(MediaDecoder& decoder, SampleData& sample, std::int64_t done, std::size_t& frames,
                       std::vector<std::int16_t>& monoScratch);
  static std::shared_ptr<SampleData> longerRecord(SampleData& sample, std::int64_t limitFrames);
  static std::shared_ptr<SampleData> exactRecord(SampleData& sample, std::int64_t frames);
  static void takeOverHeader(const SampleData& from, SampleData& to);
  static void finish(SampleData& sample, const std::optional<TrackDigest>& sourceDigest);
};

}  // namespace gm

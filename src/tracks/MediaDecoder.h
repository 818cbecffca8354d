#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tracks/MediaTags.h"

struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

namespace gm {

class FileInput;

// Decodes one audio file into interleaved signed 16-bit PCM (native byte order) at 44100 Hz, the
// rate the decks count beats and loops in. Mono files are delivered as 1 channel; everything with
// two or more channels is delivered as stereo (more than two are downmixed). One instance is used by
// one thread at a time.
//
// Rate: files at 44100 Hz pass without any resampling, bit for bit. Files at other rates (Opus is
// always 48 kHz) go through libswresample's SoX engine at its high-quality setting, filtering in
// floating point so that the output is deterministic (no dither). seekToStart(Rate::Source) delivers the
// file's own rate instead, for what must not depend on the resampler (the track key).
//
// Length: frameCount() is exact only where the container states it (WAV, AIFF, FLAC, Ogg) and the
// file is not resampled; elsewhere it is an estimate that can be off in either direction (MP3 by a
// few thousand frames, more for VBR files without a header). Callers must treat the number of frames
// that pull() actually delivers as the track length: reserve reserveFrameCount() frames and keep
// pulling until pull() returns 0 rather than stopping at the estimate.
//
// Input: only regular files are opened (never FIFOs or devices), through one descriptor that FFmpeg
// reads from; nothing the file names (playlists, references to other files or URLs) is followed.
class MediaDecoder {
 public:
  static constexpr int kStandardRate = 44100;
  // Rates the decoder brings to kStandardRate. Outside them a header is taken for a lie: resampling
  // from there would turn a few bytes into hours of audio or make nothing of a whole file.
  static constexpr int kMinSourceRate = 1000;
  static constexpr int kMaxSourceRate = 768000;
  enum class Rate { Standard, Source };

  // `path` is the file's name as the system knows it (bytes, not necessarily UTF-8). Returns nullptr
  // and a short human-readable reason in *error (if error is not null) when the file cannot be
  // opened, is no regular file, holds no audio stream, has no decoder, has an unsupported sample
  // rate or yields no audio at all. Once `cancelled` (may be empty) returns true, reading the file
  // stops wherever it is, here or in pull(), so an abandoned load never waits on the disk.
  static std::unique_ptr<MediaDecoder> open(const std::string& path, std::string* error,
                                            std::function<bool()> cancelled = {});
  ~MediaDecoder();

  MediaDecoder(const MediaDecoder&) = delete;
  MediaDecoder& operator=(const MediaDecoder&) = delete;

  // Frame count of the stream at sampleRate(); 0 when the file states no duration at all.
  int64_t frameCount() const;
  // True when frameCount() comes from a container that records the length exactly and no
  // resampling stands between it and the frames delivered.
  bool frameCountIsExact() const { return frameCountIsExact_ && outputRate_ == sourceRate_; }
  // frameCount() plus headroom for estimated lengths: reserving this many frames makes growing
  // the destination during decoding a rare event (it must still be handled).
  int64_t reserveFrameCount() const;
  // The length the file's header states exactly, at sampleRate(), even where the file holds less;
  // 0 when it states none exactly (see frameCount()).
  int64_t statedFrameCount() const;

  // The rate of the frames pull() delivers: kStandardRate, or the file's own after a restart with
  // Rate::Source.
  int sampleRate() const { return outputRate_; }
  // The file's own rate.
  int sourceSampleRate() const { return sourceRate_; }
  // The file's frames reach the standard rate only through the resampler.
  bool resampled() const { return sourceRate_ != kStandardRate; }
  int channels() const { return outputChannels_; }
  int bytesPerFrame() const { return outputChannels_ * 2; }

  // Restarts decoding at frame 0, delivering frames at `rate` from then on. Returns false if the
  // file can no longer be read; the decoder is then at the end of the stream.
  bool seekToStart(Rate rate = Rate::Standard);

  // Fills up to maxBytes of buffer with whole frames and returns the byte count. Returns 0 at the
  // end of the stream, after an unrecoverable error, or when maxBytes is smaller than one frame.
  // Damaged packets are skipped; a file that is cut short ends the stream where its data ends.
  size_t pull(void* buffer, size_t maxBytes);
  // Decoding ran out of memory: the stream ended early and what was delivered is not the track.
  bool outOfMemory() const { return outOfMemory_; }

  // The file's tags, bit rate and format name.
  MediaTags tags() const;

 private:
  MediaDecoder() = default;

  bool openFile(const std::string& path, std::function<bool()> cancelled, std::string* error);
  bool openInput(const std::string& path, std::string* error);
  static int interrupted(void* opaque);
  bool openDecoder(std::string* error);
  bool createCodec(std::string* error);
  void estimateFrameCount();
  void readStatedFrameCount();
  int64_t atOutputRate(int64_t sourceFrames) const;
  void closeFile();
  bool fillPending();
  void decodeStep();
  void sendNextPacket();
  void finishStream();
  void convertFrame();
  bool resamplerMatchesFrame() const;
  bool configureResampler();
  bool setResamplingQuality();
  void flushResampler();
  bool ensurePendingCapacity(int64_t frames);
  void resetDecodeState();

  std::unique_ptr<FileInput> input_;  // declared first: closed after the demuxer that reads it
  AVFormatContext* format_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int streamIndex_ = -1;

  int sourceRate_ = 0;
  int outputRate_ = kStandardRate;
  int outputChannels_ = 0;
  int64_t sourceFrameCount_ = 0;  // at sourceRate_
  bool frameCountIsExact_ = false;
  int64_t statedSourceFrames_ = 0;  // at sourceRate_

  // The input format the resampler was configured for; a change mid-stream rebuilds it.
  int resamplerInputFormat_ = -1;
  int resamplerInputRate_ = 0;
  int resamplerInputChannels_ = 0;
  int resamplerInputOrder_ = -1;
  uint64_t resamplerInputMask_ = 0;

  // Converted frames not yet handed out: pendingSamples_[pendingReadFrame_ .. pendingFrames_).
  std::vector<int16_t> pendingSamples_;
  int pendingFrames_ = 0;
  int pendingReadFrame_ = 0;

  bool packetHeld_ = false;       // packet_ holds data the decoder refused for now
  bool inputEnded_ = false;       // the decoder has been told that no more packets follow
  bool streamEnded_ = false;      // everything has been delivered
  int drainErrors_ = 0;           // decode errors seen while draining the decoder at the end
  int readErrorsInRow_ = 0;       // failed reads since the last good packet
  int64_t audioPacketsRead_ = 0;  // tells a file without audio from a damaged one
  bool atStart_ = true;           // no frame handed out since the file was opened or rewound
  bool rateRefused_ = false;      // a frame came at a rate outside kMinSourceRate .. kMaxSourceRate
  bool outOfMemory_ = false;
};

}  // namespace gm

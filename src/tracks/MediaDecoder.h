#pragma once

#include <cstddef>
#include <cstdint>
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
class MediaDecoder {
 public:
  static constexpr int kStandardRate = 44100;
  enum class Rate { Standard, Source };

  // Returns nullptr and a short human-readable reason in *error (if error is not null) when the
  // file cannot be opened, holds no audio stream, has no decoder, or yields no audio at all.
  static std::unique_ptr<MediaDecoder> open(const std::string& path, std::string* error);
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

  // The file's tags, bit rate and format name.
  MediaTags tags() const;

 private:
  MediaDecoder() = default;

  bool openFile(const std::string& path, std::string* error);
  bool openDecoder(std::string* error);
  bool createCodec(std::string* error);
  void estimateFrameCount();
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
};

}  // namespace gm

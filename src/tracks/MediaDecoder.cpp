#include "tracks/MediaDecoder.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libavutil/log.h>
#include <libavutil/mathematics.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include "tracks/FileInput.h"
#include "tracks/WavHeader.h"

namespace gm {

namespace {

// Frames the conversion buffer starts with: covers the packets of every common codec (MP3 1152,
// AAC 1024, Vorbis up to 4096, FLAC usually 4096), so it rarely has to grow.
constexpr int kInitialPendingFrames = 16384;

// Extra room reserved for estimated lengths: a fiftieth of the estimate, but at least one second.
constexpr int64_t kReserveFraction = 50;

// Demuxers whose stream duration is the exact number of samples in the file.
constexpr std::array<const char*, 5> kExactLengthFormats = {"wav", "w64", "aiff", "flac", "ogg"};

// Precision of the SoX resampling engine in bits: its "high quality" setting. Its filter errors lie
// below the rounding noise of the 16-bit output (a resampled sine comes out at the 16-bit limit of
// about 94 dB signal to noise, up to 20 kHz); more bits only cost time.
constexpr double kResamplingPrecisionBits = 20.0;

// Once more than this many decode errors follow each other while draining, the rest is given up.
constexpr int kMaxDrainErrors = 16;
// Reads that fail as damaged data in a row before the rest of the file is given up.
constexpr int kMaxReadErrors = 64;

void quietenLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_level(AV_LOG_ERROR); });
}

std::string describeError(int averror) {
  switch (averror) {
    case AVERROR(ENOENT):
    case AVERROR(ENOTDIR):
      return "File not found";
    case AVERROR(EACCES):
    case AVERROR(EPERM):
      return "Permission denied";
    case AVERROR(EISDIR):
      return "Not a file";
    case AVERROR(ENOMEM):
      return "Not enough memory";
    case AVERROR(EIO):
      return "Cannot read file";
    case AVERROR_STREAM_NOT_FOUND:
      return "No audio in file";
    case AVERROR_DECODER_NOT_FOUND:
      return "No decoder for this audio format";
    default:
      return "Unsupported or damaged file";
  }
}

bool plausibleRate(int rate) {
  return rate >= MediaDecoder::kMinSourceRate && rate <= MediaDecoder::kMaxSourceRate;
}

// Playlists and files that refer to other files would have FFmpeg open those names, which could be
// anything (a FIFO, a device, a URL): a track is the one file it was opened as.
int refuseNestedOpen(AVFormatContext*, AVIOContext**, const char*, int, AVDictionary**) {
  return AVERROR(EPERM);
}

bool isFormat(const AVFormatContext* format, const char* name) {
  return format->iformat != nullptr && format->iformat->name != nullptr &&
         std::strcmp(format->iformat->name, name) == 0;
}

bool isExactLengthFormat(const AVFormatContext* format) {
  if (format->iformat == nullptr || format->iformat->name == nullptr) return false;
  // Demuxer names can be lists such as "mov,mp4,m4a"; the exact ones are single names.
  const char* name = format->iformat->name;
  return std::any_of(kExactLengthFormats.begin(), kExactLengthFormats.end(),
                     [name](const char* exact) { return std::strcmp(name, exact) == 0; });
}

}  // namespace

std::unique_ptr<MediaDecoder> MediaDecoder::open(const std::string& path, std::string* error,
                                                 std::function<bool()> cancelled) {
  quietenLibraryLog();
  std::unique_ptr<MediaDecoder> decoder(new MediaDecoder());
  std::string reason;
  if (!decoder->openFile(path, std::move(cancelled), &reason)) {
    if (error != nullptr) *error = reason;
    return nullptr;
  }
  return decoder;
}

MediaDecoder::~MediaDecoder() {
  closeFile();
}

bool MediaDecoder::openFile(const std::string& path, std::function<bool()> cancelled, std::string* error) {
  input_ = FileInput::open(path, std::move(cancelled), *error);
  if (!input_ || !openInput(path, error)) return false;
  const int rc = avformat_find_stream_info(format_, nullptr);
  if (rc < 0) {
    *error = describeError(rc);
    return false;
  }
  if (!openDecoder(error)) return false;
  if (sourceRate_ > 0 && !plausibleRate(sourceRate_)) {
    *error = "Unsupported sample rate";
    return false;
  }
  // Decode the first frame now, so a file that opens but yields no audio is refused here and the
  // rate and channel count are known even for codecs that state them only in their frames.
  if (!fillPending() || !plausibleRate(sourceRate_) || outputChannels_ <= 0) {
    *error = rateRefused_ ? "Unsupported sample rate"
             : audioPacketsRead_ == 0 ? "No audio in file"
                                      : "Unsupported or damaged file";
    return false;
  }
  estimateFrameCount();
  readStatedFrameCount();
  return true;
}

bool MediaDecoder::openInput(const std::string& path, std::string* error) {
  format_ = avformat_alloc_context();
  if (format_ == nullptr) {
    *error = describeError(AVERROR(ENOMEM));
    return false;
  }
  format_->pb = input_->context();
  format_->flags |= AVFMT_FLAG_CUSTOM_IO;
  format_->interrupt_callback.callback = &MediaDecoder::interrupted;
  format_->interrupt_callback.opaque = this;
  format_->io_open = &refuseNestedOpen;
  // The name only helps to tell the format by its extension: the data comes through pb.
  const int rc = avformat_open_input(&format_, path.c_str(), nullptr, nullptr);
  if (rc < 0) {
    *error = describeError(rc);  // the context is gone (format_ is null again)
    return false;
  }
  return true;
}

int MediaDecoder::interrupted(void* opaque) {
  const auto* decoder = static_cast<const MediaDecoder*>(opaque);
  return decoder->input_ && decoder->input_->cancelled() ? 1 : 0;
}

bool MediaDecoder::openDecoder(std::string* error) {
  const AVCodec* decoder = nullptr;
  const int rc = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (rc < 0 || decoder == nullptr) {
    *error = describeError(rc < 0 ? rc : AVERROR_DECODER_NOT_FOUND);
    return false;
  }
  streamIndex_ = rc;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    if (static_cast<int>(i) != streamIndex_) format_->streams[i]->discard = AVDISCARD_ALL;
  }
  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (packet_ == nullptr || frame_ == nullptr || !ensurePendingCapacity(kInitialPendingFrames)) {
    *error = describeError(AVERROR(ENOMEM));
    return false;
  }
  if (!createCodec(error)) return false;
  // Both may still be unknown here for some codecs; the first decoded frame fills them in.
  sourceRate_ = codec_->sample_rate;
  const int sourceChannels = codec_->ch_layout.nb_channels;
  outputChannels_ = sourceChannels <= 0 ? 0 : (sourceChannels == 1 ? 1 : 2);
  return true;
}

bool MediaDecoder::createCodec(std::string* error) {
  const AVStream* stream = format_->streams[streamIndex_];
  const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
  if (decoder == nullptr) {
    *error = describeError(AVERROR_DECODER_NOT_FOUND);
    return false;
  }
  codec_ = avcodec_alloc_context3(decoder);
  if (codec_ == nullptr) {
    *error = describeError(AVERROR(ENOMEM));
    return false;
  }
  int rc = avcodec_parameters_to_context(codec_, stream->codecpar);
  if (rc >= 0) {
    codec_->pkt_timebase = stream->time_base;
    rc = avcodec_open2(codec_, decoder, nullptr);
  }
  if (rc < 0) {
    *error = describeError(rc);
    return false;
  }
  return true;
}

void MediaDecoder::estimateFrameCount() {
  const AVStream* stream = format_->streams[streamIndex_];
  sourceFrameCount_ = 0;
  frameCountIsExact_ = false;
  if (sourceRate_ <= 0) return;
  const AVRational perFrame{1, sourceRate_};
  if (stream->duration != AV_NOPTS_VALUE && stream->duration > 0) {
    sourceFrameCount_ = av_rescale_q(stream->duration, stream->time_base, perFrame);
    frameCountIsExact_ = isExactLengthFormat(format_);
    // Ogg counts Opus's pre-skip in its duration, but the decoder drops those frames.
    if (frameCountIsExact_ && stream->codecpar->initial_padding > 0)
      sourceFrameCount_ = std::max<int64_t>(0, sourceFrameCount_ - stream->codecpar->initial_padding);
  } else if (format_->duration != AV_NOPTS_VALUE && format_->duration > 0) {
    sourceFrameCount_ = av_rescale(format_->duration, sourceRate_, AV_TIME_BASE);
  }
}

void MediaDecoder::readStatedFrameCount() {
  statedSourceFrames_ = frameCountIsExact_ ? sourceFrameCount_ : 0;
  if (isFormat(format_, "wav"))
    statedSourceFrames_ = std::max(statedSourceFrames_, WavHeader::statedFrames(input_->descriptor()));
}

int64_t MediaDecoder::atOutputRate(int64_t sourceFrames) const {
  if (sourceRate_ <= 0 || outputRate_ == sourceRate_) return sourceFrames;
  return av_rescale(sourceFrames, outputRate_, sourceRate_);
}

int64_t MediaDecoder::frameCount() const { return atOutputRate(sourceFrameCount_); }

int64_t MediaDecoder::statedFrameCount() const { return atOutputRate(statedSourceFrames_); }

void MediaDecoder::closeFile() {
  swr_free(&resampler_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

int64_t MediaDecoder::reserveFrameCount() const {
  const int64_t frames = frameCount();
  if (frameCountIsExact()) return frames;
  return frames + std::max<int64_t>(frames / kReserveFraction, sampleRate());
}

bool MediaDecoder::seekToStart(Rate rate) {
  if (format_ == nullptr) return false;
  const int wantedRate = rate == Rate::Source ? sourceRate_ : kStandardRate;
  // Nothing handed out since the file was opened: the decoder is still exactly at the start.
  if (atStart_ && wantedRate == outputRate_) return true;
  outputRate_ = wantedRate;
  resetDecodeState();
  AVStream* stream = format_->streams[streamIndex_];
  int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
  // Containers with priming packets before time 0 (MP4) index them with earlier timestamps; the
  // decoder needs them to reproduce the first samples.
  if (avformat_index_get_entries_count(stream) > 0)
    start = std::min(start, avformat_index_get_entry(stream, 0)->timestamp);
  int rc = avformat_seek_file(format_, streamIndex_, INT64_MIN, start, start, 0);
  if (rc < 0) rc = av_seek_frame(format_, streamIndex_, start, AVSEEK_FLAG_BACKWARD);
  // A fresh decoder, rather than a flushed one, drops the codec's start-up samples again (Opus
  // pre-skip, AAC priming), so the stream restarts with the very samples it first began with.
  avcodec_free_context(&codec_);
  std::string ignored;
  if (rc < 0 || !createCodec(&ignored)) {
    streamEnded_ = true;
    return false;
  }
  atStart_ = true;
  return true;
}

void MediaDecoder::resetDecodeState() {
  if (packetHeld_) av_packet_unref(packet_);
  packetHeld_ = false;
  inputEnded_ = false;
  streamEnded_ = false;
  drainErrors_ = 0;
  readErrorsInRow_ = 0;
  pendingFrames_ = 0;
  pendingReadFrame_ = 0;
  // Anything the resampler still holds belongs to the old position.
  swr_free(&resampler_);
  resamplerInputFormat_ = -1;
}

size_t MediaDecoder::pull(void* buffer, size_t maxBytes) {
  const size_t frameBytes = static_cast<size_t>(bytesPerFrame());
  if (buffer == nullptr || frameBytes == 0 || format_ == nullptr) return 0;
  const size_t wantFrames = maxBytes / frameBytes;
  auto* out = static_cast<uint8_t*>(buffer);
  size_t doneFrames = 0;
  while (doneFrames < wantFrames && fillPending()) {
    const size_t available = static_cast<size_t>(pendingFrames_ - pendingReadFrame_);
    const size_t count = std::min(available, wantFrames - doneFrames);
    const int16_t* source = pendingSamples_.data() + static_cast<size_t>(pendingReadFrame_) * outputChannels_;
    std::memcpy(out + doneFrames * frameBytes, source, count * frameBytes);
    pendingReadFrame_ += static_cast<int>(count);
    doneFrames += count;
    atStart_ = false;
  }
  return doneFrames * frameBytes;
}

bool MediaDecoder::fillPending() {
  while (pendingReadFrame_ >= pendingFrames_) {
    if (streamEnded_) return false;
    pendingReadFrame_ = 0;
    pendingFrames_ = 0;
    decodeStep();
  }
  return true;
}

void MediaDecoder::decodeStep() {
  if (codec_ == nullptr) {
    streamEnded_ = true;
    return;
  }
  const int rc = avcodec_receive_frame(codec_, frame_);
  if (rc == 0) {
    drainErrors_ = 0;
    convertFrame();
    av_frame_unref(frame_);
    return;
  }
  if (rc == AVERROR(ENOMEM)) outOfMemory_ = true;
  if (rc == AVERROR_EOF || rc == AVERROR(ENOMEM)) {
    finishStream();
    return;
  }
  if (!inputEnded_) {
    // The decoder wants input, or the data it just had was damaged: go on with the next packet.
    sendNextPacket();
    return;
  }
  if (rc == AVERROR(EAGAIN) || ++drainErrors_ > kMaxDrainErrors) finishStream();
}

void MediaDecoder::sendNextPacket() {
  for (;;) {
    if (!packetHeld_) {
      const int readResult = av_read_frame(format_, packet_);
      // Some demuxers report a damaged stretch once and then find the next packet.
      if (readResult == AVERROR_INVALIDDATA && ++readErrorsInRow_ <= kMaxReadErrors) continue;
      if (readResult < 0) {
        if (readResult == AVERROR(ENOMEM)) outOfMemory_ = true;
        // End of file, a file cut short, a read error or a cancelled load: all end the input the
        // same way.
        inputEnded_ = true;
        if (avcodec_send_packet(codec_, nullptr) < 0) finishStream();
        return;
      }
      readErrorsInRow_ = 0;
      if (packet_->stream_index != streamIndex_) {
        av_packet_unref(packet_);
        continue;
      }
      ++audioPacketsRead_;
    }
    const int rc = avcodec_send_packet(codec_, packet_);
    if (rc == AVERROR(EAGAIN)) {
      packetHeld_ = true;  // the decoder has frames to give out first
      return;
    }
    packetHeld_ = false;
    av_packet_unref(packet_);
    if (rc == AVERROR(ENOMEM)) {
      outOfMemory_ = true;
      finishStream();
    }
    // Accepted, or a damaged packet that is skipped: either way the decoder is asked again.
    return;
  }
}

void MediaDecoder::finishStream() {
  flushResampler();
  streamEnded_ = true;
}

void MediaDecoder::convertFrame() {
  if (frame_->nb_samples <= 0) return;
  if (sourceRate_ <= 0) sourceRate_ = frame_->sample_rate;
  if (outputChannels_ <= 0) outputChannels_ = frame_->ch_layout.nb_channels == 1 ? 1 : 2;
  // A frame the resampler cannot take (unknown format, no channels) is dropped like a damaged packet.
  if (!resamplerMatchesFrame() && !configureResampler()) return;
  const int capacity = swr_get_out_samples(resampler_, frame_->nb_samples);
  if (capacity <= 0 || !ensurePendingCapacity(static_cast<int64_t>(pendingFrames_) + capacity)) return;
  auto* out = reinterpret_cast<uint8_t*>(pendingSamples_.data() +
                                         static_cast<size_t>(pendingFrames_) * outputChannels_);
  const int converted = swr_convert(resampler_, &out, capacity,
                                    const_cast<const uint8_t**>(frame_->extended_data), frame_->nb_samples);
  if (converted == AVERROR(ENOMEM)) outOfMemory_ = true;
  if (converted > 0) pendingFrames_ += converted;
}

bool MediaDecoder::resamplerMatchesFrame() const {
  const AVChannelLayout& layout = frame_->ch_layout;
  return resampler_ != nullptr && resamplerInputFormat_ == frame_->format &&
         resamplerInputRate_ == frame_->sample_rate && resamplerInputChannels_ == layout.nb_channels &&
         resamplerInputOrder_ == static_cast<int>(layout.order) &&
         (layout.order != AV_CHANNEL_ORDER_NATIVE || resamplerInputMask_ == layout.u.mask);
}

bool MediaDecoder::configureResampler() {
  // Whatever the old resampler still holds comes before the new format's samples.
  flushResampler();
  swr_free(&resampler_);
  resamplerInputFormat_ = -1;
  const AVChannelLayout& frameLayout = frame_->ch_layout;
  if (!plausibleRate(frame_->sample_rate)) rateRefused_ = true;
  if (frame_->format < 0 || !plausibleRate(frame_->sample_rate) || frameLayout.nb_channels <= 0) return false;

  AVChannelLayout inLayout{};
  AVChannelLayout outLayout{};
  int rc = 0;
  if (frameLayout.order == AV_CHANNEL_ORDER_UNSPEC || !av_channel_layout_check(&frameLayout))
    av_channel_layout_default(&inLayout, frameLayout.nb_channels);
  else
    rc = av_channel_layout_copy(&inLayout, &frameLayout);
  av_channel_layout_default(&outLayout, outputChannels_);
  if (rc >= 0) {
    rc = swr_alloc_set_opts2(&resampler_, &outLayout, AV_SAMPLE_FMT_S16, outputRate_, &inLayout,
                             static_cast<AVSampleFormat>(frame_->format), frame_->sample_rate, 0, nullptr);
  }
  av_channel_layout_uninit(&inLayout);
  av_channel_layout_uninit(&outLayout);
  // At the output rate the converter only changes the sample format and the channels: no resampler
  // (and none of its options) comes near those frames.
  if (rc >= 0 && frame_->sample_rate != outputRate_ && !setResamplingQuality()) rc = AVERROR(EINVAL);
  if (rc >= 0) rc = swr_init(resampler_);
  if (rc < 0) {
    swr_free(&resampler_);
    return false;
  }
  resamplerInputFormat_ = frame_->format;
  resamplerInputRate_ = frame_->sample_rate;
  resamplerInputChannels_ = frameLayout.nb_channels;
  resamplerInputOrder_ = static_cast<int>(frameLayout.order);
  resamplerInputMask_ = frameLayout.order == AV_CHANNEL_ORDER_NATIVE ? frameLayout.u.mask : 0;
  return true;
}

bool MediaDecoder::setResamplingQuality() {
  // Filtering in floating point: with 16-bit samples inside, the SoX engine would add dither from
  // a time-seeded generator, and the same file would decode differently on every load.
  return av_opt_set_int(resampler_, "resampler", SWR_ENGINE_SOXR, 0) >= 0 &&
         av_opt_set_double(resampler_, "precision", kResamplingPrecisionBits, 0) >= 0 &&
         av_opt_set_sample_fmt(resampler_, "internal_sample_fmt", AV_SAMPLE_FMT_FLTP, 0) >= 0;
}

void MediaDecoder::flushResampler() {
  if (resampler_ == nullptr) return;
  const int capacity = swr_get_out_samples(resampler_, 0);
  if (capacity <= 0 || !ensurePendingCapacity(static_cast<int64_t>(pendingFrames_) + capacity)) return;
  auto* out = reinterpret_cast<uint8_t*>(pendingSamples_.data() +
                                         static_cast<size_t>(pendingFrames_) * outputChannels_);
  const int converted = swr_convert(resampler_, &out, capacity, nullptr, 0);
  if (converted > 0) pendingFrames_ += converted;
}

bool MediaDecoder::ensurePendingCapacity(int64_t frames) {
  // Sized for two channels even while the channel count is still unknown.
  const size_t needed = static_cast<size_t>(frames) * 2;
  if (pendingSamples_.size() >= needed) return true;
  try {
    pendingSamples_.resize(std::max(needed, pendingSamples_.size() * 2));
  } catch (const std::bad_alloc&) {
    outOfMemory_ = true;
    return false;
  }
  return true;
}

MediaTags MediaDecoder::tags() const {
  MediaTags tags;
  if (format_ == nullptr) return tags;
  const AVStream* stream = format_->streams[streamIndex_];
  // Ogg and Opus files keep their comments on the stream, most others on the container.
  for (const AVDictionary* dictionary : {static_cast<const AVDictionary*>(format_->metadata),
                                         static_cast<const AVDictionary*>(stream->metadata)}) {
    const AVDictionaryEntry* entry = nullptr;
    while ((entry = av_dict_get(dictionary, "", entry, AV_DICT_IGNORE_SUFFIX)) != nullptr)
      tags.items.emplace_back(entry->key, entry->value);
  }
  tags.bitRate = stream->codecpar->bit_rate > 0 ? stream->codecpar->bit_rate : std::max<int64_t>(format_->bit_rate, 0);
  if (const AVCodecDescriptor* codec = avcodec_descriptor_get(stream->codecpar->codec_id))
    tags.description = codec->long_name != nullptr ? codec->long_name : codec->name;
  return tags;
}

}  // namespace gm

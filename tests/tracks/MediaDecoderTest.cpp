#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <numbers>
#include <string>
#include <vector>

#include "AudioTestFiles.h"
#include "tracks/MediaDecoder.h"

namespace gm {
namespace {

namespace fs = std::filesystem;
using testing::ffmpegDecoded;
using testing::firstMismatch;
using testing::quoted;
using testing::readFile;
using testing::readWav;
using testing::Wav;

constexpr int kSourceRate = 44100;
constexpr int kSourceSeconds = 3;
constexpr int64_t kSourceFrames = int64_t{kSourceRate} * kSourceSeconds;
constexpr int64_t kLossyLengthTolerance = 4096;  // frames: codec delay and padding
constexpr size_t kPullBytes = 131072;

struct Decoded {
  std::vector<int16_t> samples;
  bool wholeFramesOnly = true;
};

// Pulls until the decoder reports the end, checking that every pull hands out whole frames.
Decoded decodeAll(MediaDecoder& decoder, size_t pullBytes = kPullBytes) {
  Decoded decoded;
  std::vector<int16_t> buffer(pullBytes / 2 + 1);
  const size_t frameBytes = static_cast<size_t>(decoder.bytesPerFrame());
  for (;;) {
    const size_t got = decoder.pull(buffer.data(), pullBytes);
    if (got == 0) break;
    if (got % frameBytes != 0 || got > pullBytes) decoded.wholeFramesOnly = false;
    decoded.samples.insert(decoded.samples.end(), buffer.begin(),
                           buffer.begin() + static_cast<long>(got / 2));
  }
  return decoded;
}

// Signal-to-error ratio in dB of one channel of `decoded` against `reference`, over their overlap.
double channelSnrDb(const std::vector<int16_t>& reference, const std::vector<int16_t>& decoded, int channel,
                    int channels) {
  double signal = 0.0;
  double error = 0.0;
  const size_t common = std::min(reference.size(), decoded.size());
  for (size_t i = static_cast<size_t>(channel); i < common; i += static_cast<size_t>(channels)) {
    const double r = reference[i];
    signal += r * r;
    error += (decoded[i] - r) * (decoded[i] - r);
  }
  return 10.0 * std::log10(signal / std::max(error, 1.0));
}

// Amplitude of a sine at `hz` in one channel, by projection over the whole signal (the test tones
// complete whole cycles, so other tones leak nothing into it).
double toneAmplitude(const std::vector<int16_t>& samples, int channel, int channels, double hz) {
  double re = 0.0, im = 0.0;
  const size_t frames = samples.size() / static_cast<size_t>(channels);
  for (size_t f = 0; f < frames; ++f) {
    const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(f) / kSourceRate;
    re += samples[f * channels + channel] * std::cos(phase);
    im += samples[f * channels + channel] * std::sin(phase);
  }
  return 2.0 * std::hypot(re, im) / static_cast<double>(std::max<size_t>(frames, 1));
}

void corruptBytes(const std::string& path, double fromFraction, size_t count) {
  std::string bytes = readFile(path);
  const auto start = static_cast<size_t>(static_cast<double>(bytes.size()) * fromFraction);
  for (size_t i = start; i < start + count && i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

class MediaDecoderTest : public testing::AudioFileTest {
 protected:
  static std::string stereoSource() {
    return generated("source.wav", "--bpm 128 --seconds " + std::to_string(kSourceSeconds));
  }
  static std::string monoSource() {
    return generated("mono.wav", "--bpm 126 --seconds " + std::to_string(kSourceSeconds) + " --mono");
  }
};

// ---------------------------------------------------------------------------------------------
// Every container/codec pair the loader meets, decoded end to end and restarted.

// Lossless: the source's very samples. Lossy: what the ffmpeg command decodes, bit for bit (at
// 44100 Hz no resampler may touch the samples). Resampled: close to the source, at 44100 Hz.
enum class Fidelity { Lossless, Lossy, Resampled };

struct FormatCase {
  const char* label;
  const char* fileName;
  const char* encoder;  // nullptr: the source WAV itself
  const char* ffmpegOptions;
  int fileRate;
  bool exactLength;
  Fidelity fidelity;
};

void PrintTo(const FormatCase& format, std::ostream* out) {
  *out << format.label;
}

class MediaDecoderFormatTest : public MediaDecoderTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(MediaDecoderFormatTest, DecodesTheWholeTrackAndRestartsIdentically) {
  const FormatCase& format = GetParam();
  const std::string source = stereoSource();
  ASSERT_FALSE(source.empty());
  std::string path = source;
  if (format.encoder != nullptr) {
    path = converted(source, format.fileName, format.ffmpegOptions);
    if (path.empty() && !encoderAvailable(format.encoder))
      GTEST_SKIP() << "ffmpeg has no encoder " << format.encoder;
    ASSERT_FALSE(path.empty()) << "ffmpeg could not write " << format.fileName;
  }
  const Wav reference = readWav(source);
  ASSERT_EQ(reference.channels, 2);

  std::string error;
  const auto decoder = MediaDecoder::open(path, &error);
  ASSERT_NE(decoder, nullptr) << error;
  EXPECT_EQ(decoder->sampleRate(), kSourceRate);
  EXPECT_EQ(decoder->sourceSampleRate(), format.fileRate);
  EXPECT_EQ(decoder->channels(), 2);
  EXPECT_EQ(decoder->bytesPerFrame(), 4);
  EXPECT_EQ(decoder->frameCountIsExact(), format.exactLength);

  const Decoded first = decodeAll(*decoder);
  EXPECT_TRUE(first.wholeFramesOnly);
  const auto decodedFrames = static_cast<int64_t>(first.samples.size() / 2);
  if (format.exactLength) {
    EXPECT_EQ(decoder->frameCount(), reference.frames());
    EXPECT_EQ(decodedFrames, reference.frames());
  } else {
    EXPECT_NEAR(static_cast<double>(decoder->frameCount()), static_cast<double>(reference.frames()),
                kLossyLengthTolerance);
    EXPECT_NEAR(static_cast<double>(decodedFrames), static_cast<double>(reference.frames()),
                kLossyLengthTolerance);
  }
  EXPECT_LE(decodedFrames, decoder->reserveFrameCount());
  EXPECT_EQ(decoder->pull(std::vector<int16_t>(64).data(), 128), 0u) << "the end must stay the end";

  if (format.fidelity == Fidelity::Lossless) {
    EXPECT_EQ(first.samples.size(), reference.samples.size());
    EXPECT_EQ(firstMismatch(first.samples, reference.samples), -1);
  } else {
    if (format.fidelity == Fidelity::Lossy) {
      const std::vector<int16_t> command = ffmpegDecoded(path);
      EXPECT_EQ(first.samples.size(), command.size());
      EXPECT_EQ(firstMismatch(first.samples, command), -1);
    }
    // Aligned and in the right channels: a lossy codec stays well above this on a drum pattern.
    EXPECT_GT(channelSnrDb(reference.samples, first.samples, 0, 2), 12.0) << "left";
    EXPECT_GT(channelSnrDb(reference.samples, first.samples, 1, 2), 12.0) << "right";
  }

  // Restart after the end, then again in the middle: both begin with the very same samples.
  ASSERT_TRUE(decoder->seekToStart());
  const std::vector<int16_t> opening(first.samples.begin(), first.samples.begin() + 8192 * 2);
  std::vector<int16_t> again(opening.size());
  ASSERT_EQ(decoder->pull(again.data(), again.size() * 2), again.size() * 2);
  EXPECT_EQ(firstMismatch(opening, again), -1);
  ASSERT_TRUE(decoder->seekToStart());
  ASSERT_EQ(decoder->pull(again.data(), again.size() * 2), again.size() * 2);
  EXPECT_EQ(firstMismatch(opening, again), -1);
}

INSTANTIATE_TEST_SUITE_P(
    MediaDecoderFormats, MediaDecoderFormatTest,
    ::testing::Values(
        FormatCase{"wav", "", nullptr, "", 44100, true, Fidelity::Lossless},
        FormatCase{"flac", "track.flac", "flac", "-c:a flac", 44100, true, Fidelity::Lossless},
        FormatCase{"aiff", "track.aiff", "pcm_s16be", "-c:a pcm_s16be", 44100, true, Fidelity::Lossless},
        FormatCase{"vorbis", "track.ogg", "libvorbis", "-c:a libvorbis -q:a 6", 44100, true, Fidelity::Lossy},
        FormatCase{"opus", "track.opus", "libopus", "-ar 48000 -c:a libopus -b:a 160k", 48000, false,
                   Fidelity::Resampled},
        FormatCase{"mp3", "track.mp3", "libmp3lame", "-c:a libmp3lame -b:a 192k", 44100, false,
                   Fidelity::Lossy},
        FormatCase{"aac", "track.m4a", "aac", "-c:a aac -b:a 192k", 44100, false, Fidelity::Lossy}),
    [](const ::testing::TestParamInfo<FormatCase>& testCase) { return std::string(testCase.param.label); });

// ---------------------------------------------------------------------------------------------

TEST_F(MediaDecoderTest, MonoStaysOneChannelAndSurroundIsDownmixedToStereo) {
  const Wav mono = readWav(monoSource());
  ASSERT_EQ(mono.channels, 1);
  std::string error;
  auto decoder = MediaDecoder::open(monoSource(), &error);
  ASSERT_NE(decoder, nullptr) << error;
  EXPECT_EQ(decoder->channels(), 1);
  EXPECT_EQ(decoder->bytesPerFrame(), 2);
  EXPECT_EQ(decoder->frameCount(), mono.frames());
  const Decoded monoDecoded = decodeAll(*decoder, 4099);  // odd size: one-sample frames still fit exactly
  EXPECT_TRUE(monoDecoded.wholeFramesOnly);
  EXPECT_EQ(monoDecoded.samples.size(), mono.samples.size());
  EXPECT_EQ(firstMismatch(monoDecoded.samples, mono.samples), -1);

  // Five-one with a different tone in every speaker: the front and back of each side and the
  // centre reach that side of the downmix, nothing crosses to the other side.
  const double toneHz[] = {300, 500, 700, 60, 900, 1100};  // FL FR FC LFE BL BR
  std::string sources;
  for (const double hz : toneHz)
    sources += "-f lavfi -i sine=frequency=" + std::to_string(static_cast<int>(hz)) +
               ":sample_rate=44100:duration=" + std::to_string(kSourceSeconds) + " ";
  const std::string surroundPath = ffmpegOutput(
      "surround.wav",
      sources +
          "-filter_complex 'join=inputs=6:channel_layout=5.1:map=0.0-FL|1.0-FR|2.0-FC|3.0-LFE|4.0-BL|5.0-BR' "
          "-c:a pcm_s16le");
  ASSERT_FALSE(surroundPath.empty()) << "ffmpeg could not write a 5.1 file";
  decoder = MediaDecoder::open(surroundPath, &error);
  ASSERT_NE(decoder, nullptr) << error;
  EXPECT_EQ(decoder->channels(), 2);
  EXPECT_EQ(decoder->sampleRate(), kSourceRate);
  EXPECT_EQ(decoder->frameCount(), kSourceFrames);
  const Decoded downmix = decodeAll(*decoder, 10001);
  EXPECT_TRUE(downmix.wholeFramesOnly);
  ASSERT_EQ(static_cast<int64_t>(downmix.samples.size()), kSourceFrames * 2);
  const double present = 1000.0;  // the tones are about 4000 before the downmix scales them
  const double absent = 20.0;
  for (const int side : {0, 1}) {
    const double own[] = {toneHz[side], toneHz[2], toneHz[4 + side]};
    const double other[] = {toneHz[1 - side], toneHz[5 - side]};
    for (const double hz : own)
      EXPECT_GT(toneAmplitude(downmix.samples, side, 2, hz), present) << side << " " << hz;
    for (const double hz : other)
      EXPECT_LT(toneAmplitude(downmix.samples, side, 2, hz), absent) << side << " " << hz;
  }
}

// A tone in one channel of 44100 Hz frames, fitted as a sine of exactly `hz` outside the first and
// last `skipFrames` frames: the ratio in dB of the fitted sine to what the fit leaves over.
double sineFitSnrDb(const std::vector<int16_t>& samples, int channel, double hz, size_t skipFrames) {
  const size_t frames = samples.size() / 2;
  double ss = 0.0, sc = 0.0, cc = 0.0, ys = 0.0, yc = 0.0;
  for (size_t f = skipFrames; f + skipFrames < frames; ++f) {
    const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(f) / kSourceRate;
    const double s = std::sin(phase), c = std::cos(phase), y = samples[2 * f + channel];
    ss += s * s, sc += s * c, cc += c * c, ys += y * s, yc += y * c;
  }
  const double det = ss * cc - sc * sc;
  const double a = (ys * cc - yc * sc) / det, b = (yc * ss - ys * sc) / det;
  double signal = 0.0, error = 0.0;
  for (size_t f = skipFrames; f + skipFrames < frames; ++f) {
    const double phase = 2.0 * std::numbers::pi * hz * static_cast<double>(f) / kSourceRate;
    const double fit = a * std::sin(phase) + b * std::cos(phase);
    signal += fit * fit;
    error += (samples[2 * f + channel] - fit) * (samples[2 * f + channel] - fit);
  }
  return 10.0 * std::log10(signal / std::max(error, 1.0));
}

TEST_F(MediaDecoderTest, OtherRatesArriveAt44100HzAndAtTheirOwnRateOnRequest) {
  // Three seconds at 48 kHz: a high tone on the left, a low one on the right, near full scale.
  const std::string path = ffmpegOutput(
      "tones48k.wav", "-f lavfi -i 'aevalsrc=0.9*sin(2*PI*15013*t)|0.9*sin(2*PI*997*t):s=48000:d=3' -c:a pcm_s16le");
  ASSERT_FALSE(path.empty()) << "ffmpeg could not write a 48 kHz file";
  const Wav file = readWav(path);
  ASSERT_EQ(file.frames(), 144000);
  std::string error;
  const auto decoder = MediaDecoder::open(path, &error);
  ASSERT_NE(decoder, nullptr) << error;
  EXPECT_EQ(decoder->sampleRate(), 44100);
  EXPECT_EQ(decoder->sourceSampleRate(), 48000);
  EXPECT_TRUE(decoder->resampled());
  EXPECT_EQ(decoder->frameCount(), 132300);  // the stated length, in frames of 44100 Hz
  EXPECT_FALSE(decoder->frameCountIsExact());
  EXPECT_EQ(decoder->reserveFrameCount(), 132300 + 44100);

  // The same three seconds, each tone at its own pitch, clean to the limit of 16-bit samples: a
  // resampler of ordinary quality leaves errors about 10 dB louder than this allows.
  const Decoded resampled = decodeAll(*decoder);
  ASSERT_EQ(resampled.samples.size(), 132300u * 2);
  EXPECT_GT(sineFitSnrDb(resampled.samples, 0, 15013.0, 1000), 92.0);
  EXPECT_GT(sineFitSnrDb(resampled.samples, 1, 997.0, 1000), 92.0);

  // At its own rate the file arrives untouched, exactly as long as it is; then back at 44100 Hz,
  // with the very samples of the first pass.
  ASSERT_TRUE(decoder->seekToStart(MediaDecoder::Rate::Source));
  EXPECT_EQ(decoder->sampleRate(), 48000);
  EXPECT_EQ(decoder->frameCount(), 144000);
  EXPECT_TRUE(decoder->frameCountIsExact());
  const Decoded own = decodeAll(*decoder);
  EXPECT_EQ(own.samples.size(), file.samples.size());
  EXPECT_EQ(firstMismatch(own.samples, file.samples), -1);
  ASSERT_TRUE(decoder->seekToStart());
  EXPECT_EQ(decoder->sampleRate(), 44100);
  EXPECT_EQ(decodeAll(*decoder).samples, resampled.samples);
}

TEST_F(MediaDecoderTest, PullsOfAnySizeHandOutWholeFramesInOrder) {
  const Wav source = readWav(stereoSource());
  std::string error;
  const auto decoder = MediaDecoder::open(stereoSource(), &error);
  ASSERT_NE(decoder, nullptr) << error;

  std::vector<int16_t> buffer(70000);
  std::vector<int16_t> joined;
  const size_t sizes[] = {1, 3, 4, 5, 6, 7, 13, 4097, 10001, 131071, 2};
  for (size_t round = 0;; ++round) {
    const size_t maxBytes = sizes[round % std::size(sizes)];
    const size_t got = decoder->pull(buffer.data(), maxBytes);
    if (maxBytes < 4) {
      ASSERT_EQ(got, 0u) << "less than one frame asked for";
      continue;
    }
    if (got == 0) break;
    ASSERT_EQ(got % 4, 0u) << "pull of " << maxBytes << " bytes";
    ASSERT_LE(got, maxBytes);
    joined.insert(joined.end(), buffer.begin(), buffer.begin() + static_cast<long>(got / 2));
  }
  EXPECT_EQ(joined.size(), source.samples.size());
  EXPECT_EQ(firstMismatch(joined, source.samples), -1);
  EXPECT_EQ(decoder->pull(buffer.data(), 4096), 0u);
  EXPECT_EQ(decoder->pull(nullptr, 4096), 0u);
}

TEST_F(MediaDecoderTest, FilesCutShortOrDamagedDecodeWhatTheyHave) {
  const Wav source = readWav(stereoSource());
  std::string error;

  // A WAV cut in the middle of a frame, although its header still promises the whole track.
  const std::string cutWav = pathOf("cut.wav");
  const std::string whole = readFile(stereoSource());
  std::ofstream(cutWav, std::ios::binary) << whole.substr(0, whole.size() / 2 + 3);
  auto decoder = MediaDecoder::open(cutWav, &error);
  ASSERT_NE(decoder, nullptr) << error;
  const int64_t framesLeft = (static_cast<int64_t>(whole.size()) / 2 + 3 - 44) / 4;
  EXPECT_EQ(decoder->frameCount(), framesLeft) << "the length is what the file still holds";
  const Decoded cutDecoded = decodeAll(*decoder);
  EXPECT_EQ(static_cast<int64_t>(cutDecoded.samples.size()), framesLeft * 2);
  EXPECT_EQ(firstMismatch(cutDecoded.samples, source.samples), -1);
  EXPECT_EQ(decoder->pull(std::vector<int16_t>(8).data(), 16), 0u);

  for (const auto& [encoder, name, options] : {std::tuple{"flac", "cut.flac", "-c:a flac"},
                                               std::tuple{"libmp3lame", "cut.mp3", "-c:a libmp3lame"}}) {
    const std::string path = converted(stereoSource(), name, options);
    if (path.empty() && !encoderAvailable(encoder)) continue;
    ASSERT_FALSE(path.empty()) << "ffmpeg could not write " << name;
    const std::string encoded = readFile(path);
    const std::string damagedPath = pathOf(std::string("damaged-") + name);
    std::ofstream(damagedPath, std::ios::binary) << encoded;
    corruptBytes(damagedPath, 0.4, 600);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << encoded.substr(0, encoded.size() / 2);

    decoder = MediaDecoder::open(path, &error);
    ASSERT_NE(decoder, nullptr) << name << ": " << error;
    const auto cutFrames = static_cast<int64_t>(decodeAll(*decoder).samples.size() / 2);
    EXPECT_GT(cutFrames, kSourceFrames / 4) << name;
    EXPECT_LT(cutFrames, kSourceFrames * 3 / 4) << name;

    // A damaged stretch costs the packets it hits, not the rest of the track.
    decoder = MediaDecoder::open(damagedPath, &error);
    ASSERT_NE(decoder, nullptr) << name << ": " << error;
    const auto damagedFrames = static_cast<int64_t>(decodeAll(*decoder).samples.size() / 2);
    EXPECT_GT(damagedFrames, kSourceFrames * 9 / 10) << name;
  }
}

TEST_F(MediaDecoderTest, FileTruncatedOrDeletedWhileDecodingEndsCleanly) {
  const std::string truncatedPath = pathOf("shrinking.wav");
  const std::string deletedPath = pathOf("vanishing.wav");
  fs::copy_file(stereoSource(), truncatedPath, fs::copy_options::overwrite_existing);
  fs::copy_file(stereoSource(), deletedPath, fs::copy_options::overwrite_existing);
  std::string error;
  std::vector<int16_t> buffer(8192);

  auto decoder = MediaDecoder::open(truncatedPath, &error);
  ASSERT_NE(decoder, nullptr) << error;
  ASSERT_EQ(decoder->pull(buffer.data(), buffer.size() * 2), buffer.size() * 2);
  fs::resize_file(truncatedPath, fs::file_size(truncatedPath) / 4);
  const auto restFrames = static_cast<int64_t>(decodeAll(*decoder).samples.size() / 2);
  EXPECT_LT(restFrames + 4096, kSourceFrames / 2);
  EXPECT_EQ(decoder->pull(buffer.data(), 4096), 0u);

  // An unlinked file stays readable through the open handle until the decoder closes it.
  decoder = MediaDecoder::open(deletedPath, &error);
  ASSERT_NE(decoder, nullptr) << error;
  ASSERT_EQ(decoder->pull(buffer.data(), buffer.size() * 2), buffer.size() * 2);
  fs::remove(deletedPath);
  EXPECT_EQ(static_cast<int64_t>(decodeAll(*decoder).samples.size() / 2), kSourceFrames - 4096);
  EXPECT_TRUE(decoder->seekToStart());
  EXPECT_EQ(decoder->pull(buffer.data(), 16), 16u);
}

TEST_F(MediaDecoderTest, UnreadableInputsAreRefusedWithAReason) {
  const auto expectRefused = [](const std::string& path, const std::string& expectedReason) {
    std::string error;
    EXPECT_EQ(MediaDecoder::open(path, &error), nullptr) << path;
    EXPECT_FALSE(error.empty()) << path;
    if (!expectedReason.empty()) {
      EXPECT_EQ(error, expectedReason) << path;
    }
  };
  expectRefused(pathOf("no such file.mp3"), "File not found");
  expectRefused("", "File not found");
  expectRefused(pathOf("no-dir/track.wav"), "File not found");
  // Only local files: a URL is just a name that does not exist on disk.
  expectRefused("http://127.0.0.1:9/track.mp3", "File not found");

  const std::string textAsMp3 = pathOf("notes.mp3");
  std::ofstream(textAsMp3) << "These are liner notes, not audio.\nTrack 1: intro\nTrack 2: outro\n";
  expectRefused(textAsMp3, "Unsupported or damaged file");
  const std::string empty = pathOf("empty.wav");
  std::ofstream(empty).close();
  expectRefused(empty, "");
  expectRefused(tempDir_, "");

  // A valid header with no samples behind it.
  const std::string headerOnly = pathOf("header-only.wav");
  std::ofstream(headerOnly, std::ios::binary)
      << readFile(stereoSource()).substr(0, 40) << std::string(4, '\0');
  expectRefused(headerOnly, "No audio in file");

  EXPECT_EQ(MediaDecoder::open(textAsMp3, nullptr), nullptr) << "the reason is optional";
}

TEST_F(MediaDecoderTest, RatesTheDecoderCannotBringTo44100HzAreRefused) {
  const std::string source = readFile(stereoSource());
  const auto withRate = [&](std::uint32_t rate) {
    std::string bytes = source;
    for (int i = 0; i < 4; ++i) {
      bytes[std::size_t(24 + i)] = char((rate >> (8 * i)) & 0xFF);                   // sample rate
      bytes[std::size_t(28 + i)] = char((std::uint64_t(rate) * 4 >> (8 * i)) & 0xFF);  // bytes per second
    }
    const std::string path = pathOf("rate-" + std::to_string(rate) + ".wav");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
  };
  for (const std::uint32_t rate : {999u, 768001u, 0x1FFFFFFFu}) {
    std::string error;
    EXPECT_EQ(MediaDecoder::open(withRate(rate), &error), nullptr) << rate;
    EXPECT_EQ(error, "Unsupported sample rate") << rate;
  }
  for (const std::uint32_t rate : {1000u, 768000u}) {
    std::string error;
    const auto decoder = MediaDecoder::open(withRate(rate), &error);
    ASSERT_NE(decoder, nullptr) << rate << ": " << error;
    EXPECT_EQ(decoder->sourceSampleRate(), int(rate));
    EXPECT_EQ(decoder->frameCount(), (kSourceFrames * 44100 + rate / 2) / rate);  // rounded to the nearest
  }
}

// The demo generator feeds every test above; its output must be what it claims to be.
TEST_F(MediaDecoderTest, DemoToolWritesADeterministicBeatAtMinusThreeDbfs) {
  const Wav track = readWav(generated("beat.wav", "--bpm 120 --seconds 2"));
  ASSERT_EQ(track.rate, kSourceRate);
  ASSERT_EQ(track.channels, 2);
  ASSERT_EQ(track.frames(), 2 * kSourceRate);
  EXPECT_EQ(readFile(generated("beat-again.wav", "--bpm 120 --seconds 2")), readFile(pathOf("beat.wav")));
  EXPECT_EQ(readWav(generated("short.wav", "--bpm 120 --frames 100 --mono")).samples.size(), 100u);

  int peak = 0;
  for (const int16_t sample : track.samples) peak = std::max(peak, std::abs(static_cast<int>(sample)));
  EXPECT_NEAR(20.0 * std::log10(peak / 32767.0), -3.0, 0.2);

  // Kicks at 0, 0.5 s, 1 s and 1.5 s: each onset is far louder than the moment just before it.
  const auto energy = [&](int64_t fromFrame, int64_t frames) {
    double sum = 0.0;
    for (int64_t f = std::max<int64_t>(fromFrame, 0); f < fromFrame + frames; ++f)
      sum += std::pow(track.samples[f * 2], 2);
    return sum;
  };
  for (int beat = 1; beat < 4; ++beat) {
    const int64_t onset = beat * kSourceRate / 2;
    EXPECT_GT(energy(onset, 441), 10.0 * energy(onset - 2205, 441)) << "beat " << beat;
  }

  // Bad arguments: a message and exit status 2, no file.
  const auto exitStatus = [&](const std::string& arguments) {
    const int status = std::system((quoted(demoTool()) + " " + arguments + " 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  const std::string out = " --out " + quoted(pathOf("refused.wav"));
  EXPECT_EQ(exitStatus("--bpm 20 --seconds 1" + out), 2);
  EXPECT_EQ(exitStatus("--seconds 1" + out), 2);
  EXPECT_EQ(exitStatus("--bpm 128 --seconds 1 --frames 10" + out), 2);
  EXPECT_EQ(exitStatus("--bogus"), 2);
  EXPECT_FALSE(fs::exists(pathOf("refused.wav")));
}

}  // namespace
}  // namespace gm

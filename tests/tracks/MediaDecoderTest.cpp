#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <numbers>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tracks/MediaDecoder.h"

namespace gm {
namespace {

namespace fs = std::filesystem;

constexpr int kSourceRate = 44100;
constexpr int kSourceSeconds = 3;
constexpr int64_t kSourceFrames = int64_t{kSourceRate} * kSourceSeconds;
constexpr int64_t kLossyLengthTolerance = 4096;  // frames: codec delay and padding
constexpr size_t kPullBytes = 131072;

struct Wav {
  int rate = 0;
  int channels = 0;
  std::vector<int16_t> samples;
  int64_t frames() const { return channels > 0 ? static_cast<int64_t>(samples.size()) / channels : 0; }
};

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

uint32_t littleEndian(const std::string& bytes, size_t at, int count) {
  uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<uint8_t>(bytes[at + i]);
  return value;
}

// Reads a 16-bit PCM WAV file independently of the decoder under test.
Wav readWav(const std::string& path) {
  const std::string bytes = readFile(path);
  Wav wav;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wav;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const size_t size = littleEndian(bytes, at + 4, 4);
    const size_t body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= bytes.size() && littleEndian(bytes, body + 14, 2) == 16) {
      wav.channels = static_cast<int>(littleEndian(bytes, body + 2, 2));
      wav.rate = static_cast<int>(littleEndian(bytes, body + 4, 4));
    } else if (id == "data") {
      const size_t end = std::min(bytes.size(), body + size);
      for (size_t i = body; i + 2 <= end; i += 2)
        wav.samples.push_back(static_cast<int16_t>(littleEndian(bytes, i, 2)));
    }
    at = body + size + (size & 1);
  }
  return wav;
}

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

// Index of the first sample where the two differ over their common length; -1 when none does.
long firstMismatch(const std::vector<int16_t>& a, const std::vector<int16_t>& b) {
  const size_t common = std::min(a.size(), b.size());
  for (size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) return static_cast<long>(i);
  }
  return -1;
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

bool runCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string quoted(const std::string& path) {
  return "'" + path + "'";
}

void corruptBytes(const std::string& path, double fromFraction, size_t count) {
  std::string bytes = readFile(path);
  const auto start = static_cast<size_t>(static_cast<double>(bytes.size()) * fromFraction);
  for (size_t i = start; i < start + count && i < bytes.size(); ++i)
    bytes[i] = static_cast<char>(bytes[i] ^ 0x5A);
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// One temporary directory per test process; inputs are made on first use, so each test pays only
// for the files it reads.
class MediaDecoderTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "gm-decoder-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) tempDir_ = pattern;
  }

  static void TearDownTestSuite() {
    std::error_code ignored;
    if (!tempDir_.empty()) fs::remove_all(tempDir_, ignored);
    tempDir_.clear();
    made_.clear();
  }

  static std::string pathOf(const std::string& name) { return (fs::path(tempDir_) / name).string(); }

  // ctest names the tools directory; run by hand, the suite finds the build tree's tools one level
  // above its own executable.
  static std::string demoTool() {
    const char* dir = std::getenv("GM_TOOLS_DIR");
    if (dir != nullptr && *dir != '\0') return std::string(dir) + "/gm-demo-tracks";
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : (self.parent_path().parent_path() / "gm-demo-tracks").string();
  }

  // A demo track from the tool; empty when the tool fails.
  static std::string generated(const std::string& name, const std::string& arguments) {
    const std::string path = pathOf(name);
    if (made_.count(path) == 0) {
      if (tempDir_.empty() || !runCommand(quoted(demoTool()) + " " + arguments + " --out " + quoted(path)))
        return {};
      made_.insert(path);
    }
    return path;
  }

  static std::string stereoSource() {
    return generated("source.wav", "--bpm 128 --seconds " + std::to_string(kSourceSeconds));
  }
  static std::string monoSource() {
    return generated("mono.wav", "--bpm 126 --seconds " + std::to_string(kSourceSeconds) + " --mono");
  }

  static bool encoderAvailable(const std::string& encoder) {
    static const std::set<std::string> encoders = [] {
      std::set<std::string> names;
      FILE* list = popen("ffmpeg -hide_banner -encoders 2>/dev/null", "r");
      if (list == nullptr) return names;
      char line[512];
      while (std::fgets(line, sizeof line, list) != nullptr) {
        std::istringstream words(line);
        std::string flags, name;
        if (words >> flags >> name && flags.size() == 6) names.insert(name);
      }
      pclose(list);
      return names;
    }();
    return encoders.count(encoder) > 0;
  }

  // A file written by the command-line ffmpeg from the given input and output options; empty on failure.
  static std::string ffmpegOutput(const std::string& name, const std::string& arguments) {
    const std::string path = pathOf(name);
    if (made_.count(path) == 0) {
      if (!runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " " + quoted(path)))
        return {};
      made_.insert(path);
    }
    return path;
  }

  static std::string converted(const std::string& source, const std::string& name,
                               const std::string& options) {
    return source.empty() ? std::string() : ffmpegOutput(name, "-i " + quoted(source) + " " + options);
  }

  void SetUp() override {
    ASSERT_FALSE(tempDir_.empty()) << "cannot create a temporary directory";
    ASSERT_TRUE(fs::exists(demoTool())) << "gm-demo-tracks not found (GM_TOOLS_DIR); build it first";
  }

  static std::string tempDir_;
  static std::set<std::string> made_;
};

std::string MediaDecoderTest::tempDir_;
std::set<std::string> MediaDecoderTest::made_;

// ---------------------------------------------------------------------------------------------
// Every container/codec pair the loader meets, decoded end to end and restarted.

enum class Fidelity { Lossless, Lossy };

struct FormatCase {
  const char* label;
  const char* fileName;
  const char* encoder;  // nullptr: the source WAV itself
  const char* ffmpegOptions;
  int expectedRate;
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
  // Resampled codecs are compared with the source resampled the same way.
  Wav reference = readWav(source);
  if (format.expectedRate != kSourceRate)
    reference = readWav(converted(source, "reference48k.wav", "-ar 48000 -c:a pcm_s16le"));
  ASSERT_EQ(reference.channels, 2);
  ASSERT_EQ(reference.rate, format.expectedRate);

  std::string error;
  const auto decoder = MediaDecoder::open(path, &error);
  ASSERT_NE(decoder, nullptr) << error;
  EXPECT_EQ(decoder->sampleRate(), format.expectedRate);
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
        FormatCase{"opus", "track.opus", "libopus", "-ar 48000 -c:a libopus -b:a 160k", 48000, true,
                   Fidelity::Lossy},
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

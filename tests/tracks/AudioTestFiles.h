#pragma once
// Audio files for the decoder and loader suites: demo tracks from the build's tool and encodings
// written by the ffmpeg command, made once per test process in a temporary directory, plus readers
// that look at files without the decoder under test.

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace gm {
struct SampleData;
}

namespace gm::testing {

struct Wav {
  int rate = 0;
  int channels = 0;
  std::vector<std::int16_t> samples;
  std::int64_t frames() const { return channels > 0 ? static_cast<std::int64_t>(samples.size()) / channels : 0; }
};

std::string readFile(const std::string& path);
// A 16-bit PCM WAV file, read independently of the decoder under test (empty when it is none).
Wav readWav(const std::string& path);
// The file as the ffmpeg command decodes it: interleaved 16-bit samples in native byte order at
// the file's own rate, with the file's own channels.
std::vector<std::int16_t> ffmpegDecoded(const std::string& path);
// Index of the first sample where the two differ over their common length; -1 when none does.
long firstMismatch(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b);
bool runCommand(const std::string& command);
// The file decoded by the real loader as a deck's loader thread does it; nullptr when that fails.
std::shared_ptr<SampleData> decodedTrack(const std::string& path);
std::string quoted(const std::string& path);

class AudioFileTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite();
  static void TearDownTestSuite();
  void SetUp() override;

  static std::string pathOf(const std::string& name);
  static std::string demoTool();
  // A demo track from the tool; empty when the tool fails.
  static std::string generated(const std::string& name, const std::string& arguments);
  static bool encoderAvailable(const std::string& encoder);
  // A file written by the ffmpeg command from the given input and output options; empty on failure.
  static std::string ffmpegOutput(const std::string& name, const std::string& arguments);
  // `source` converted by the ffmpeg command with the output options; empty on failure.
  static std::string converted(const std::string& source, const std::string& name, const std::string& options);

  static std::string tempDir_;
  static std::set<std::string> made_;
};

}  // namespace gm::testing

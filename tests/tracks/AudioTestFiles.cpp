#include "AudioTestFiles.h"

#include <stdlib.h>
#include <sys/wait.h>

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "tracks/TrackLoader.h"

namespace gm::testing {

namespace fs = std::filesystem;

namespace {

std::uint32_t littleEndian(const std::string& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = (value << 8) | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

}  // namespace

std::string readFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

Wav readWav(const std::string& path) {
  const std::string bytes = readFile(path);
  Wav wav;
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0) return wav;
  for (std::size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const std::size_t size = littleEndian(bytes, at + 4, 4);
    const std::size_t body = at + 8;
    if (id == "fmt " && size >= 16 && body + 16 <= bytes.size() && littleEndian(bytes, body + 14, 2) == 16) {
      wav.channels = static_cast<int>(littleEndian(bytes, body + 2, 2));
      wav.rate = static_cast<int>(littleEndian(bytes, body + 4, 4));
    } else if (id == "data") {
      const std::size_t end = std::min(bytes.size(), body + size);
      for (std::size_t i = body; i + 2 <= end; i += 2)
        wav.samples.push_back(static_cast<std::int16_t>(littleEndian(bytes, i, 2)));
    }
    at = body + size + (size & 1);
  }
  return wav;
}

std::vector<std::int16_t> ffmpegDecoded(const std::string& path) {
  const std::string format = std::endian::native == std::endian::little ? "s16le" : "s16be";
  std::vector<std::int16_t> samples;
  FILE* pipe = popen(("ffmpeg -nostdin -loglevel error -i " + quoted(path) + " -f " + format + " -").c_str(), "r");
  if (pipe == nullptr) return samples;
  std::int16_t buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 2, std::size(buffer), pipe)) > 0;)
    samples.insert(samples.end(), buffer, buffer + got);
  pclose(pipe);
  return samples;
}

long firstMismatch(const std::vector<std::int16_t>& a, const std::vector<std::int16_t>& b) {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] != b[i]) return static_cast<long>(i);
  }
  return -1;
}

bool runCommand(const std::string& command) {
  const int status = std::system(command.c_str());
  return status != -1 && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

std::string quoted(const std::string& path) { return "'" + path + "'"; }

std::shared_ptr<SampleData> decodedTrack(const std::string& path) {
  TrackLoader::Hooks hooks;
  hooks.attach = [](const std::shared_ptr<SampleData>&) {};
  hooks.decoded = [](const SampleData&, std::int32_t) {};
  hooks.progress = [](const std::shared_ptr<SampleData>&) {};
  hooks.cancelled = [] { return false; };
  std::string error;
  return TrackLoader::decode(path, hooks, error);
}

// One temporary directory per test suite; inputs are made on first use, so each test pays only
// for the files it reads.
std::string AudioFileTest::tempDir_;
std::set<std::string> AudioFileTest::made_;

void AudioFileTest::SetUpTestSuite() {
  std::string pattern = (fs::temp_directory_path() / "gm-audio-XXXXXX").string();
  if (mkdtemp(pattern.data()) != nullptr) tempDir_ = pattern;
}

void AudioFileTest::TearDownTestSuite() {
  std::error_code ignored;
  if (!tempDir_.empty()) fs::remove_all(tempDir_, ignored);
  tempDir_.clear();
  made_.clear();
}

void AudioFileTest::SetUp() {
  ASSERT_FALSE(tempDir_.empty()) << "cannot create a temporary directory";
  ASSERT_TRUE(fs::exists(demoTool())) << "gm-demo-tracks not found (GM_TOOLS_DIR); build it first";
}

std::string AudioFileTest::pathOf(const std::string& name) { return (fs::path(tempDir_) / name).string(); }

// ctest names the tools directory; run by hand, the suite finds the build tree's tools one level
// above its own executable.
std::string AudioFileTest::demoTool() {
  const char* dir = std::getenv("GM_TOOLS_DIR");
  if (dir != nullptr && *dir != '\0') return std::string(dir) + "/gm-demo-tracks";
  std::error_code error;
  const fs::path self = fs::read_symlink("/proc/self/exe", error);
  return error ? std::string() : (self.parent_path().parent_path() / "gm-demo-tracks").string();
}

std::string AudioFileTest::generated(const std::string& name, const std::string& arguments) {
  const std::string path = pathOf(name);
  if (made_.count(path) == 0) {
    if (tempDir_.empty() || !runCommand(quoted(demoTool()) + " " + arguments + " --out " + quoted(path))) return {};
    made_.insert(path);
  }
  return path;
}

bool AudioFileTest::encoderAvailable(const std::string& encoder) {
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

std::string AudioFileTest::ffmpegOutput(const std::string& name, const std::string& arguments) {
  const std::string path = pathOf(name);
  if (made_.count(path) == 0) {
    if (!runCommand("ffmpeg -nostdin -hide_banner -loglevel error -y " + arguments + " " + quoted(path))) return {};
    made_.insert(path);
  }
  return path;
}

std::string AudioFileTest::converted(const std::string& source, const std::string& name, const std::string& options) {
  return source.empty() ? std::string() : ffmpegOutput(name, "-i " + quoted(source) + " " + options);
}

}  // namespace gm::testing

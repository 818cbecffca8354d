// gm-demo-tracks: writes synthetic drum-pattern tracks (kick on the beat, closed hi-hat between the
// beats, an optional bass note) as 16-bit WAV files, so that users and tests have real music-like
// material at known tempi without shipping audio files. The output is fully deterministic.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kSampleRate = 44100;
constexpr double kPeakDbfs = -3.0;
constexpr double kMinBpm = 60.0;
constexpr double kMaxBpm = 240.0;
constexpr double kMaxSeconds = 600.0;  // the whole mix is held in memory
constexpr double kDemoSeconds = 30.0;
constexpr double kDemoTempi[] = {120.0, 126.0, 128.0};

constexpr double kKickSeconds = 0.12;
constexpr double kKickStartHz = 150.0;
constexpr double kKickEndHz = 50.0;
constexpr double kHatSeconds = 0.05;
constexpr double kBassHz = 55.0;  // A1
// Hi-hat sits a little to the right so the two channels differ.
constexpr double kHatGainLeft = 0.6;
constexpr double kHatGainRight = 0.9;

struct Options {
  double bpm = 0.0;
  double seconds = 0.0;
  long long frames = -1;  // overrides seconds when given
  std::string outPath;
  std::string demoDir;
  bool mono = false;
  bool bass = true;
};

struct StereoBuffer {
  std::vector<float> left;
  std::vector<float> right;
};

// xorshift32: tiny, seeded and identical on every platform, unlike the standard distributions.
class NoiseGenerator {
 public:
  explicit NoiseGenerator(uint32_t seed) : state_(seed != 0 ? seed : 1) {}
  double next()  // uniform in [-1, 1)
  {
    state_ ^= state_ << 13;
    state_ ^= state_ >> 17;
    state_ ^= state_ << 5;
    return static_cast<double>(state_) / 2147483648.0 - 1.0;
  }

 private:
  uint32_t state_;
};

void printUsage(FILE* out) {
  std::fprintf(
      out,
      "Usage: gm-demo-tracks --bpm BPM (--seconds S | --frames N) --out FILE.wav [--mono] [--no-bass]\n"
      "       gm-demo-tracks --demo DIR [--mono] [--no-bass]\n"
      "Writes synthetic drum-pattern tracks as 44100 Hz 16-bit WAV files.\n"
      "  --bpm BPM      tempo, %.0f to %.0f\n"
      "  --seconds S    length in seconds (up to %.0f)\n"
      "  --frames N     length in frames (instead of --seconds)\n"
      "  --out FILE     output file\n"
      "  --demo DIR     write \"Demo 120 BPM.wav\", \"Demo 126 BPM.wav\", \"Demo 128 BPM.wav\" (30 s each)\n"
      "  --mono         one channel instead of two\n"
      "  --no-bass      drums only\n",
      kMinBpm, kMaxBpm, kMaxSeconds);
}

bool parseNumber(const char* text, double* value) {
  char* end = nullptr;
  errno = 0;
  const double parsed = std::strtod(text, &end);
  if (end == text || *end != '\0' || errno != 0 || !std::isfinite(parsed)) return false;
  *value = parsed;
  return true;
}

// Returns an error text, empty when the arguments are usable; sets *help for --help.
std::string parseArguments(int argc, char** argv, Options* options, bool* help) {
  bool haveSeconds = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      *help = true;
      return {};
    }
    if (arg == "--mono") {
      options->mono = true;
    } else if (arg == "--no-bass") {
      options->bass = false;
    } else if (!hasValue) {
      return arg.rfind("--", 0) == 0 && arg != "--" ? "missing value after " + arg
                                                    : "unknown argument " + arg;
    } else if (arg == "--bpm") {
      if (!parseNumber(argv[++i], &options->bpm) || options->bpm < kMinBpm || options->bpm > kMaxBpm)
        return "--bpm needs a tempo from 60 to 240";
    } else if (arg == "--seconds") {
      haveSeconds = true;
      if (!parseNumber(argv[++i], &options->seconds) || options->seconds <= 0.0 ||
          options->seconds > kMaxSeconds)
        return "--seconds needs a length above 0 and up to 600";
    } else if (arg == "--frames") {
      double frames = 0.0;
      if (!parseNumber(argv[++i], &frames) || frames < 1.0 || frames > kMaxSeconds * kSampleRate ||
          frames != std::floor(frames))
        return "--frames needs a whole number of frames from 1 up to 600 seconds' worth";
      options->frames = static_cast<long long>(frames);
    } else if (arg == "--out") {
      options->outPath = argv[++i];
    } else if (arg == "--demo") {
      options->demoDir = argv[++i];
    } else {
      return "unknown argument " + arg;
    }
  }
  if (options->demoDir.empty() == options->outPath.empty()) return "give either --out FILE or --demo DIR";
  if (!options->demoDir.empty()) {
    if (options->bpm != 0.0 || haveSeconds || options->frames >= 0)
      return "--demo writes fixed tempi and lengths; --bpm, --seconds and --frames go with --out";
    return {};
  }
  if (options->bpm == 0.0) return "--bpm is required with --out";
  if (haveSeconds == (options->frames >= 0)) return "give either --seconds or --frames with --out";
  return {};
}

// A decaying sine whose pitch falls exponentially from the start to the end frequency.
void addKick(StereoBuffer& mix, size_t startFrame) {
  const size_t length = static_cast<size_t>(kKickSeconds * kSampleRate);
  const size_t fade = static_cast<size_t>(0.01 * kSampleRate);
  double phase = 0.0;
  for (size_t i = 0; i < length && startFrame + i < mix.left.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double hz = kKickStartHz * std::pow(kKickEndHz / kKickStartHz, t / kKickSeconds);
    phase += 2.0 * std::numbers::pi * hz / kSampleRate;
    const double tail = std::min(1.0, static_cast<double>(length - i) / fade);  // no click at the cut
    const double value = std::sin(phase) * std::exp(-t / (kKickSeconds / 4.0)) * tail;
    mix.left[startFrame + i] += static_cast<float>(value);
    mix.right[startFrame + i] += static_cast<float>(value);
  }
}

// Noise through a first-order high-pass (difference of successive samples), quickly decaying.
void addHat(StereoBuffer& mix, size_t startFrame, NoiseGenerator& noise) {
  const size_t length = static_cast<size_t>(kHatSeconds * kSampleRate);
  double previous = 0.0;
  for (size_t i = 0; i < length && startFrame + i < mix.left.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double white = noise.next();
    const double value = 0.5 * (white - previous) * std::exp(-t / (kHatSeconds / 5.0));
    previous = white;
    mix.left[startFrame + i] += static_cast<float>(kHatGainLeft * value);
    mix.right[startFrame + i] += static_cast<float>(kHatGainRight * value);
  }
}

// A plain sine with short fades so it does not click.
void addBass(StereoBuffer& mix, size_t startFrame, size_t length) {
  const size_t fade = static_cast<size_t>(0.005 * kSampleRate);
  for (size_t i = 0; i < length && startFrame + i < mix.left.size(); ++i) {
    const double t = static_cast<double>(i) / kSampleRate;
    const double envelope =
        std::min({1.0, static_cast<double>(i) / fade, static_cast<double>(length - i) / fade});
    const double value = 0.35 * envelope * std::sin(2.0 * std::numbers::pi * kBassHz * t);
    mix.left[startFrame + i] += static_cast<float>(value);
    mix.right[startFrame + i] += static_cast<float>(value);
  }
}

StereoBuffer renderPattern(double bpm, size_t frames, bool bass) {
  StereoBuffer mix{std::vector<float>(frames, 0.0f), std::vector<float>(frames, 0.0f)};
  NoiseGenerator noise(0x6D616E67u);
  const double beatFrames = 60.0 * kSampleRate / bpm;
  for (long beat = 0;; ++beat) {
    const auto beatStart = static_cast<size_t>(std::llround(beat * beatFrames));
    if (beatStart >= frames) break;
    const auto offbeat = static_cast<size_t>(std::llround((beat + 0.5) * beatFrames));
    addKick(mix, beatStart);
    addHat(mix, offbeat, noise);
    if (bass) addBass(mix, offbeat, static_cast<size_t>(beatFrames * 0.4));
  }
  return mix;
}

std::vector<int16_t> toPcm16(const StereoBuffer& mix, bool mono) {
  double peak = 0.0;
  for (size_t i = 0; i < mix.left.size(); ++i)
    peak = std::max(
        {peak, std::fabs(static_cast<double>(mix.left[i])), std::fabs(static_cast<double>(mix.right[i]))});
  const double scale = peak > 0.0 ? 32767.0 * std::pow(10.0, kPeakDbfs / 20.0) / peak : 0.0;
  std::vector<int16_t> pcm;
  pcm.reserve(mix.left.size() * (mono ? 1 : 2));
  for (size_t i = 0; i < mix.left.size(); ++i) {
    if (mono) {
      const double sum = static_cast<double>(mix.left[i]) + static_cast<double>(mix.right[i]);
      pcm.push_back(static_cast<int16_t>(std::lround(0.5 * sum * scale)));
    } else {
      pcm.push_back(static_cast<int16_t>(std::lround(static_cast<double>(mix.left[i]) * scale)));
      pcm.push_back(static_cast<int16_t>(std::lround(static_cast<double>(mix.right[i]) * scale)));
    }
  }
  return pcm;
}

void putLittleEndian(std::vector<char>& out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
}

bool writeWav(const std::string& path, const std::vector<int16_t>& samples, int channels) {
  const uint32_t dataBytes = static_cast<uint32_t>(samples.size() * 2);
  std::vector<char> bytes;
  bytes.insert(bytes.end(), {'R', 'I', 'F', 'F'});
  putLittleEndian(bytes, 36 + dataBytes, 4);
  bytes.insert(bytes.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
  putLittleEndian(bytes, 16, 4);
  putLittleEndian(bytes, 1, 2);  // PCM
  putLittleEndian(bytes, static_cast<uint32_t>(channels), 2);
  putLittleEndian(bytes, kSampleRate, 4);
  putLittleEndian(bytes, static_cast<uint32_t>(kSampleRate * channels * 2), 4);
  putLittleEndian(bytes, static_cast<uint32_t>(channels * 2), 2);
  putLittleEndian(bytes, 16, 2);
  bytes.insert(bytes.end(), {'d', 'a', 't', 'a'});
  putLittleEndian(bytes, dataBytes, 4);

  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  constexpr size_t kChunkSamples = 32768;
  for (size_t start = 0; file && start < samples.size(); start += kChunkSamples) {
    const size_t end = std::min(samples.size(), start + kChunkSamples);
    for (size_t i = start; i < end; ++i) putLittleEndian(bytes, static_cast<uint16_t>(samples[i]), 2);
    file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.clear();
  }
  file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));  // the header of an empty track
  file.close();
  return static_cast<bool>(file);
}

bool writeTrack(const std::string& path, double bpm, size_t frames, const Options& options) {
  const std::vector<int16_t> pcm = toPcm16(renderPattern(bpm, frames, options.bass), options.mono);
  if (!writeWav(path, pcm, options.mono ? 1 : 2)) {
    std::fprintf(stderr, "gm-demo-tracks: cannot write %s\n", path.c_str());
    return false;
  }
  return true;
}

bool writeDemoSet(const Options& options) {
  std::error_code error;
  std::filesystem::create_directories(options.demoDir, error);
  if (error) {
    std::fprintf(stderr, "gm-demo-tracks: cannot create %s: %s\n", options.demoDir.c_str(),
                 error.message().c_str());
    return false;
  }
  const auto frames = static_cast<size_t>(kDemoSeconds * kSampleRate);
  for (const double bpm : kDemoTempi) {
    const std::string name = "Demo " + std::to_string(static_cast<int>(bpm)) + " BPM.wav";
    if (!writeTrack((std::filesystem::path(options.demoDir) / name).string(), bpm, frames, options))
      return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  bool help = false;
  const std::string error = parseArguments(argc, argv, &options, &help);
  if (help) {
    printUsage(stdout);
    return 0;
  }
  if (!error.empty()) {
    std::fprintf(stderr, "gm-demo-tracks: %s\n", error.c_str());
    printUsage(stderr);
    return 2;
  }
  if (!options.demoDir.empty()) return writeDemoSet(options) ? 0 : 1;
  const size_t frames = options.frames >= 0
                            ? static_cast<size_t>(options.frames)
                            : static_cast<size_t>(std::llround(options.seconds * kSampleRate));
  return writeTrack(options.outPath, options.bpm, std::max<size_t>(frames, 1), options) ? 0 : 1;
}

// The loader from file to finished record: lengths that differ from what the file states, every
// overview word and extreme against a computation of its own, and tracks at other rates.

#include "tracks/TrackLoader.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QFileInfo>
#include <QString>

#include "AudioTestFiles.h"
#include "core/Directories.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/MediaDecoder.h"
#include "tracks/ui/OverviewColumns.h"

namespace gm {
namespace {

using testing::ffmpegDecoded;
using testing::firstMismatch;
using testing::readFile;
using testing::readWav;

// What the loader handed out through its hooks, and what it returned.
struct Load {
  std::shared_ptr<SampleData> sample;
  std::string error;
  const std::int16_t* attachedPcm = nullptr;
  std::int32_t attachedFrames = 0;  // the length expected when decoding began
  int attachCount = 0;
  std::shared_ptr<SampleData> lastProgress;
  std::vector<std::int32_t> percents;
  std::int32_t lastDecoded = -1;
  // The most memory the record held beyond the decoded frames at any time during the load.
  std::int64_t mostCommittedBeyondDecoded = 0;
};

Load load(const std::string& path, const TrackLoader::Options& options = {}) {
  Load result;
  TrackLoader::Hooks hooks;
  hooks.attach = [&result](const std::shared_ptr<SampleData>& sample) {
    result.attachedPcm = sample->pcm.data();
    result.attachedFrames = sample->frames;
    ++result.attachCount;
  };
  hooks.decoded = [&result](const SampleData& sample, std::int32_t frames) {
    result.lastDecoded = frames;
    const auto excess = std::int64_t(sample.pcm.committedBytes()) - std::int64_t(frames) * 4;
    result.mostCommittedBeyondDecoded = std::max(result.mostCommittedBeyondDecoded, excess);
  };
  hooks.progress = [&result](const std::shared_ptr<SampleData>& sample) {
    result.lastProgress = sample;
    result.percents.push_back(sample->loadPercent);
  };
  hooks.cancelled = [] { return false; };
  result.sample = TrackLoader::decode(path, hooks, result.error, options);
  return result;
}

std::vector<std::int16_t> asStereo(const std::vector<std::int16_t>& samples, int channels) {
  if (channels == 2) return samples;
  std::vector<std::int16_t> stereo;
  for (const std::int16_t sample : samples) stereo.insert(stereo.end(), {sample, sample});
  return stereo;
}

// Extremes, peak and overview words of stereo samples, computed plainly, block by block.
struct Scan {
  std::vector<std::uint32_t> overview;
  std::int16_t maxSample = 0;
  std::int16_t minSample = 0;
  std::int32_t peak = 0;
};

Scan scanOf(const std::vector<std::int16_t>& stereo) {
  Scan scan;
  const std::size_t frames = stereo.size() / 2;
  for (std::size_t block = 0; block < frames / 220; ++block) {
    std::int16_t most = 0, least = 0;
    for (std::size_t f = block * 220; f < block * 220 + 220; ++f) {
      most = std::max(most, stereo[2 * f]);
      least = std::min(least, stereo[2 * f]);
    }
    scan.overview.push_back(std::uint32_t(std::uint16_t(most)) << 16 | std::uint16_t(least));
  }
  for (std::size_t i = 0; i < stereo.size(); ++i) {
    scan.maxSample = std::max(scan.maxSample, stereo[i]);
    scan.minSample = std::min(scan.minSample, stereo[i]);
    if (i % 2 == 0) scan.peak = std::max(scan.peak, std::abs(std::int32_t(stereo[i])));
  }
  return scan;
}

class TrackLoaderTest : public testing::AudioFileTest {
 protected:
  // A copy of a FLAC file whose header states `frames` as its length (0: no length stated).
  static std::string withStatedFrames(const std::string& flac, const std::string& name, std::int64_t frames) {
    std::string bytes = readFile(flac);
    // "fLaC", the STREAMINFO block's header, then 13 bytes and a half before the 36-bit count.
    if (bytes.size() < 26 || bytes.compare(0, 4, "fLaC") != 0) return {};
    bytes[21] = char((std::uint8_t(bytes[21]) & 0xF0) | ((frames >> 32) & 0x0F));
    for (int i = 0; i < 4; ++i) bytes[std::size_t(22 + i)] = char((frames >> (24 - 8 * i)) & 0xFF);
    const std::string path = pathOf(name);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
    return path;
  }
};

// How the length a file states compares with what it decodes to.
enum class Stated { Exactly, TooLong, FarTooShort };

TEST_F(TrackLoaderTest, EveryLoadEndsWithTheDecodedLengthAndLooksFinished) {
  const std::string beat = generated("beat.wav", "--bpm 126 --seconds 4");
  struct Case {
    std::string path;
    Stated length;
  };
  const Case cases[] = {
      {beat, Stated::Exactly},
      {converted(beat, "cbr.mp3", "-c:a libmp3lame -b:a 192k"), Stated::TooLong},
      {converted(beat, "mono.mp3", "-ac 1 -c:a libmp3lame -b:a 96k"), Stated::TooLong},
      // Loud noise, then silence, without a header: the length is guessed from the noise's bit
      // rate, far too short even with the memory reserved beyond it.
      {ffmpegOutput("short-guess.mp3",
                    "-f lavfi -i 'anoisesrc=d=1:a=0.5:r=44100:seed=7,aformat=channel_layouts=stereo' "
                    "-f lavfi -i 'anullsrc=r=44100:cl=stereo:d=6' -filter_complex '[0][1]concat=n=2:v=0:a=1' "
                    "-c:a libmp3lame -q:a 2 -write_xing 0"),
       Stated::FarTooShort},
  };
  const auto page = std::int64_t(sysconf(_SC_PAGESIZE));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    ASSERT_FALSE(c.path.empty()) << "ffmpeg could not write the file";
    std::string error;
    const auto decoder = MediaDecoder::open(c.path, &error);
    ASSERT_NE(decoder, nullptr) << error;
    const int channels = decoder->channels();
    const std::vector<std::int16_t> expected = asStereo(ffmpegDecoded(c.path), channels);
    const auto frames = std::int32_t(expected.size() / 2);
    // The cases cover what they claim: a length stated exactly, one stated too long, one so short
    // that the reserved memory must grow.
    switch (c.length) {
      case Stated::Exactly:
        EXPECT_EQ(decoder->reserveFrameCount(), frames);
        break;
      case Stated::TooLong:
        EXPECT_GT(decoder->frameCount(), frames);
        break;
      case Stated::FarTooShort:
        EXPECT_LT(decoder->reserveFrameCount(), frames);
        break;
    }

    const Load loaded = load(c.path);
    ASSERT_TRUE(loaded.sample) << loaded.error;
    const SampleData& sample = *loaded.sample;
    EXPECT_EQ(sample.frames, frames);
    EXPECT_EQ(sample.byteSize, frames * 4);
    EXPECT_EQ(sample.seconds, frames / 44100);
    EXPECT_EQ(sample.pcm.size(), expected.size());
    // The track keeps the pages its frames are in, and not a byte of address space more.
    EXPECT_EQ(std::int64_t(sample.pcm.committedBytes()), (std::int64_t(frames) * 4 + page - 1) / page * page);
    EXPECT_EQ(sample.pcm.reservedFrames() * 4, std::int64_t(sample.pcm.committedBytes()));
    EXPECT_EQ(firstMismatch({sample.pcm.begin(), sample.pcm.end()}, expected), -1);
    EXPECT_EQ(sample.blockCount, frames / 220);
    EXPECT_EQ(sample.overviewCount.load(), frames / 220);
    EXPECT_TRUE(sample.loadEnded.load());

    const Scan scan = scanOf(expected);
    ASSERT_EQ(sample.overview.size(), scan.overview.size());  // frames / 220
    const auto wrongWord = std::mismatch(sample.overview.begin(), sample.overview.end(), scan.overview.begin());
    EXPECT_EQ(wrongWord.first, sample.overview.end())
        << "word " << (wrongWord.first - sample.overview.begin()) << " is " << std::hex << *wrongWord.first
        << ", not " << *wrongWord.second;
    EXPECT_EQ(sample.maxSample, scan.maxSample);
    EXPECT_EQ(sample.minSample, scan.minSample);
    EXPECT_EQ(sample.peak, scan.peak);
    EXPECT_EQ(sample.digest, TrackKey::digest(expected.data(), expected.size() * 2));

    // The deck plays the finished record's samples where they were decoded, and shows the record.
    EXPECT_EQ(loaded.attachCount, 1);
    EXPECT_EQ(loaded.attachedPcm, sample.pcm.data());
    EXPECT_EQ(loaded.lastProgress, loaded.sample);
    EXPECT_EQ(loaded.lastDecoded, frames);
    ASSERT_FALSE(loaded.percents.empty());
    EXPECT_EQ(loaded.percents.back(), 100);
    // Rising, one report per percentage.
    EXPECT_EQ(std::adjacent_find(loaded.percents.begin(), loaded.percents.end(), std::greater_equal<>()),
              loaded.percents.end());
    OverviewColumns columns;
    columns.reset(loaded.sample, sample.frames, 441.0);
    EXPECT_TRUE(columns.complete());
    EXPECT_EQ(columns.filledFrames(), frames);
  }
}

TEST_F(TrackLoaderTest, TracksAtOtherRatesKeepTheirTempoAndAreKnownByTheirOwnSamples) {
  const std::string beat = generated("beat12.wav", "--bpm 126 --seconds 12");
  const std::string beat48k = converted(beat, "beat48k.wav", "-ar 48000 -c:a pcm_s16le");
  const std::string mono48k = converted(beat, "mono48k.wav", "-ar 48000 -ac 1 -c:a pcm_s16le");
  ASSERT_FALSE(beat48k.empty());
  ASSERT_FALSE(mono48k.empty());
  const Load original = load(beat);
  const Load resampled = load(beat48k);
  ASSERT_TRUE(original.sample) << original.error;
  ASSERT_TRUE(resampled.sample) << resampled.error;
  EXPECT_EQ(resampled.sample->sampleRate, 44100);
  EXPECT_EQ(resampled.sample->sourceSampleRate, 48000);
  EXPECT_EQ(original.sample->sourceSampleRate, 44100);
  EXPECT_EQ(resampled.sample->frames, 12 * 44100);
  EXPECT_EQ(resampled.sample->seconds, 12);

  // The beat detector hears the tempo of the original, not one 8 % slower.
  PluginHost host{Directories::resolve({}, QString::fromStdString(tempDir_), {})};
  const std::unique_ptr<PluginObject> detector = host.createDetector();
  ASSERT_TRUE(detector) << "the beat detector plug-in is not built";
  const auto tempoOf = [&detector](const SampleData& sample) {
    return detector->detectTempo(sample.pcm.data(), std::uint32_t(sample.frames));
  };
  const std::uint32_t originalTempo = tempoOf(*original.sample);
  EXPECT_NEAR(originalTempo, 12600, 10);
  EXPECT_EQ(tempoOf(*resampled.sample), originalTempo);

  // The key comes from the file's own 48 kHz samples (mono ones taken twice), which no change of
  // resampler can alter: the first 512 KiB of them as stereo.
  const std::vector<std::int16_t> own = readWav(beat48k).samples;
  EXPECT_EQ(resampled.sample->digest, TrackKey::digest(own.data(), own.size() * 2));
  const SampleData& track = *resampled.sample;
  EXPECT_NE(track.digest, TrackKey::digest(track.pcm.data(), std::size_t(track.byteSize)));
  const Load mono = load(mono48k);
  ASSERT_TRUE(mono.sample) << mono.error;
  const std::vector<std::int16_t> monoOwn = asStereo(readWav(mono48k).samples, 1);
  EXPECT_EQ(mono.sample->digest, TrackKey::digest(monoOwn.data(), monoOwn.size() * 2));

  // The deck says that the track was resampled.
  Deck deck{0};
  deck.prepare(512);
  ASSERT_TRUE(deck.loadEntry(TrackEntry::fromPath(QString::fromStdString(beat48k))));
  ASSERT_TRUE(testing::waitFor([&deck] { return !deck.busy(); }, 30000));
  EXPECT_EQ(deck.title(), "beat48k.wav (resampled from 48000 Hz)");
  EXPECT_EQ(deck.frames(), 12 * 44100);
}

TEST_F(TrackLoaderTest, MemoryFollowsWhatTheFileDeliversAndTheLengthLimitHoldsWhileItGrows) {
  const auto page = std::int64_t(sysconf(_SC_PAGESIZE));
  const auto step = std::int64_t(PcmMemory::kCommitStepBytes);

  // 0.05 s whose header claims the longest track there is: 2 GiB of memory, never touched.
  const std::string tiny = ffmpegOutput("tiny.flac", "-f lavfi -i 'sine=f=440:r=44100:d=0.05' -ac 2 -c:a flac");
  const std::string lying = withStatedFrames(tiny, "lying.flac", SampleData::kMaxFrames);
  ASSERT_FALSE(lying.empty());
  const Load claimed = load(lying);
  ASSERT_TRUE(claimed.sample) << claimed.error;
  EXPECT_EQ(claimed.sample->frames, 2205);
  EXPECT_EQ(claimed.sample->statedFrames, SampleData::kMaxFrames);
  EXPECT_TRUE(claimed.sample->cutShort());
  EXPECT_LE(claimed.mostCommittedBeyondDecoded, step);
  EXPECT_EQ(std::int64_t(claimed.sample->pcm.committedBytes()), (2205 * 4 + page - 1) / page * page);

  // Twelve seconds with no length in the header: the record grows as the frames come, up to the
  // limit and not a frame beyond.
  const std::string beat = generated("beat.wav", "--bpm 126 --seconds 4");
  const std::string twelveSeconds =
      ffmpegOutput("twelve.flac", "-stream_loop 2 -i " + testing::quoted(beat) + " -c:a flac");
  const std::string lengthless = withStatedFrames(twelveSeconds, "lengthless.flac", 0);
  ASSERT_FALSE(lengthless.empty());
  const std::int64_t frames = 3 * 4 * 44100;
  TrackLoader::Options limit;
  limit.maxFrames = frames;
  const Load atLimit = load(lengthless, limit);
  ASSERT_TRUE(atLimit.sample) << atLimit.error;
  EXPECT_LT(atLimit.attachedFrames, frames);
  EXPECT_EQ(atLimit.sample->frames, frames);
  EXPECT_EQ(atLimit.sample->statedFrames, 0);
  EXPECT_FALSE(atLimit.sample->cutShort());
  EXPECT_LT(atLimit.mostCommittedBeyondDecoded, std::int64_t(TrackLoader::kPullBytes) + step);
  limit.maxFrames = frames - 1;
  const Load beyond = load(lengthless, limit);
  EXPECT_FALSE(beyond.sample);
  EXPECT_EQ(beyond.error, "") << "not enough resources, not a bad file";
  EXPECT_LT(beyond.mostCommittedBeyondDecoded, std::int64_t(TrackLoader::kPullBytes) + step);

  // The deck says so and takes the next track.
  Deck deck{0};
  deck.prepare(512);
  deck.setMaxTrackFrames(frames - 1);
  QString failure;
  QObject::connect(&deck, &Deck::loadFailed, [&failure](const QString& message) { failure = message; });
  ASSERT_TRUE(deck.loadEntry(TrackEntry::fromPath(QString::fromStdString(lengthless))));
  ASSERT_TRUE(testing::waitFor([&deck] { return !deck.busy(); }, 30000));
  EXPECT_EQ(deck.title(), "Not enough resources available for loading this sample.");
  EXPECT_EQ(failure, deck.title());
  EXPECT_FALSE(deck.hasTrack());
  ASSERT_TRUE(deck.loadEntry(TrackEntry::fromPath(QString::fromStdString(beat))));
  ASSERT_TRUE(testing::waitFor([&deck] { return !deck.busy(); }, 30000));
  EXPECT_EQ(deck.frames(), 4 * 44100);
}

TEST_F(TrackLoaderTest, AFileHoldingUnderNinetyPercentOfItsStatedLengthIsCutShort) {
  const std::string whole = readFile(generated("ten-thousand.wav", "--bpm 120 --frames 10000"));
  ASSERT_EQ(whole.size(), 44u + 40000u);
  for (const std::int32_t held : {9000, 8999}) {
    SCOPED_TRACE(held);
    const std::string path = pathOf("held-" + std::to_string(held) + ".wav");
    std::ofstream(path, std::ios::binary | std::ios::trunc) << whole.substr(0, 44 + std::size_t(held) * 4);
    const Load loaded = load(path);
    ASSERT_TRUE(loaded.sample) << loaded.error;
    EXPECT_EQ(loaded.sample->frames, held);
    EXPECT_EQ(loaded.sample->statedFrames, 10000);
    EXPECT_EQ(loaded.sample->cutShort(), held < 9000);
  }
}

}  // namespace
}  // namespace gm

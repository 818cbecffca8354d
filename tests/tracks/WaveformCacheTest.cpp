// The waveform cache: its files as the bzip2 tool reads them, which file wins, caching off, empty
// bands, damaged files, and a second load of a track that computes nothing.

#include "tracks/WaveformCache.h"

#include <gtest/gtest.h>

#include <bit>
#include <cstdio>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "AudioTestFiles.h"
#include "app/Application.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/BandAnalysis.h"

namespace gm {
namespace {

const std::string kKey = "0123456789ABCDEF";

QByteArray bigEndian(const std::vector<float>& values) {
  QByteArray bytes;
  for (float v : values) {
    const auto word = std::bit_cast<std::uint32_t>(v);
    for (int shift = 24; shift >= 0; shift -= 8) bytes.append(char((word >> shift) & 0xFF));
  }
  return bytes;
}

void writeFile(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  ASSERT_EQ(file.write(bytes), bytes.size());
}

QByteArray readFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A file's content as the bzip2 command decompresses it.
QByteArray bunzipped(const QString& path) {
  QByteArray out;
  FILE* pipe = popen(("bzip2 -dc " + testing::quoted(path.toStdString())).c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) out.append(buffer, qsizetype(got));
  pclose(pipe);
  return out;
}

TEST(WaveformCacheTest, FilesAreBzip2StreamsOfBigEndianFloatsAndTheCompressedOneWins) {
  QTemporaryDir dir;
  const std::vector<float> band = {0.25f, 1.0f, 0.0371f, 0.9f, 3.0e-7f};
  WaveformCache::store(band, kKey, Band::Mid, dir.path());
  const QString compressed = dir.filePath(QString::fromStdString(kKey) + ".mid.bz2");
  ASSERT_EQ(WaveformCache::compressedPath(dir.path(), kKey, Band::Mid), compressed);
  EXPECT_TRUE(readFile(compressed).startsWith("BZh9"));  // block size 9
  EXPECT_EQ(bunzipped(compressed), bigEndian(band));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QFileInfo(compressed).fileName()});

  // Beside a raw file of other values, the compressed file is the one read; without it, the raw one.
  writeFile(WaveformCache::rawPath(dir.path(), kKey, Band::Mid), bigEndian({0.5f, 0.5f, 0.5f, 0.5f, 0.5f}));
  std::vector<float> loaded(band.size());
  ASSERT_TRUE(WaveformCache::load(loaded, kKey, Band::Mid, dir.path()));
  EXPECT_EQ(loaded, band);
  ASSERT_TRUE(QFile::remove(compressed));
  ASSERT_TRUE(WaveformCache::load(loaded, kKey, Band::Mid, dir.path()));
  EXPECT_EQ(loaded, std::vector<float>(5, 0.5f));
  // Other bands and keys have files of their own.
  EXPECT_FALSE(WaveformCache::load(loaded, kKey, Band::Low, dir.path()));
  EXPECT_FALSE(WaveformCache::load(loaded, "FEDCBA9876543210", Band::Mid, dir.path()));

  // A band of no blocks is a stream of no data, and loads back as a success.
  WaveformCache::store({}, kKey, Band::High, dir.path());
  EXPECT_TRUE(readFile(WaveformCache::compressedPath(dir.path(), kKey, Band::High)).startsWith("BZh9"));
  EXPECT_EQ(bunzipped(WaveformCache::compressedPath(dir.path(), kKey, Band::High)), QByteArray());
  EXPECT_TRUE(WaveformCache::load({}, kKey, Band::High, dir.path()));
}

TEST(WaveformCacheTest, ShortAndDamagedFilesLoadWhatTheyHoldAndNothingElse) {
  QTemporaryDir dir;
  const QString raw = WaveformCache::rawPath(dir.path(), kKey, Band::Low);
  const QString compressed = WaveformCache::compressedPath(dir.path(), kKey, Band::Low);

  // A short raw file fills the start; the rest keeps its zeros. Values no analysis makes read as 0.
  writeFile(raw, bigEndian({0.75f, -0.5f, std::numeric_limits<float>::quiet_NaN()}) + QByteArray("\x7f\x80\x00\x00", 4));
  std::vector<float> band(6, 0.0f);
  ASSERT_TRUE(WaveformCache::load(band, kKey, Band::Low, dir.path()));
  EXPECT_EQ(band, std::vector<float>({0.75f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f}));  // the fourth was +infinity
  // A raw file longer than the band fills the band and no more.
  writeFile(raw, bigEndian(std::vector<float>(100, 0.125f)));
  std::vector<float> fenced(8, 0.0f);
  ASSERT_TRUE(WaveformCache::load(std::span(fenced).first(6), kKey, Band::Low, dir.path()));
  EXPECT_EQ(fenced, std::vector<float>({0.125f, 0.125f, 0.125f, 0.125f, 0.125f, 0.125f, 0.0f, 0.0f}));

  // A compressed file cut short, or not bzip2 at all, counts as read: the band keeps its zeros.
  std::vector<float> values(2000);
  for (std::size_t i = 0; i < values.size(); ++i) values[i] = float(i % 97) / 97.0f;
  WaveformCache::store(values, kKey, Band::Low, dir.path());
  const QByteArray whole = readFile(compressed);
  for (const QByteArray& damaged : {whole.left(whole.size() / 2), whole.left(3), QByteArray("BZh9 not really"), QByteArray()}) {
    writeFile(compressed, damaged);
    std::vector<float> loaded(values.size() + 16, 0.0f);
    ASSERT_TRUE(WaveformCache::load(std::span(loaded).first(values.size()), kKey, Band::Low, dir.path()));
    for (float v : loaded) ASSERT_EQ(v, 0.0f);
  }
  // A stream of more values than the band has (another track with the same opening stored it)
  // fills the band and stops there.
  WaveformCache::store(values, kKey, Band::Low, dir.path());
  std::vector<float> part(values.size(), 0.0f);
  ASSERT_TRUE(WaveformCache::load(std::span(part).first(10), kKey, Band::Low, dir.path()));
  EXPECT_EQ(std::vector<float>(part.begin(), part.begin() + 10), std::vector<float>(values.begin(), values.begin() + 10));
  EXPECT_EQ(part[10], 0.0f);

  // No cache file can be longer than the stream of the longest band a track can have: a longer file
  // is not read (the band is computed again, and the file replaced when caching is on).
  std::vector<float> four(4, 0.0f);
  writeFile(compressed, QByteArray(qsizetype(WaveformCache::kLargestFileBytes), 'x'));
  EXPECT_TRUE(WaveformCache::load(four, kKey, Band::Low, dir.path()));
  writeFile(compressed, QByteArray(qsizetype(WaveformCache::kLargestFileBytes) + 1, 'x'));
  EXPECT_FALSE(WaveformCache::load(four, kKey, Band::Low, dir.path()));
  // Nor is anything that is not a plain file.
  ASSERT_TRUE(QFile::remove(compressed));
  ASSERT_TRUE(QDir(dir.path()).mkdir(QFileInfo(compressed).fileName()));
  EXPECT_FALSE(WaveformCache::load(four, kKey, Band::Low, dir.path()));
}

// A decoded track, analysed again and again with different cache settings.
class BandCacheTest : public testing::AudioFileTest {
 protected:
  void SetUp() override {
    AudioFileTest::SetUp();
    const std::string path = generated("cached.wav", "--bpm 124 --seconds 4");
    ASSERT_FALSE(path.empty());
    sample = testing::decodedTrack(path);
    ASSERT_TRUE(sample);
    cacheDir = root.filePath("made/on/demand");
  }
  TrackBands analyse(bool store) {
    sample->bands = {};
    EXPECT_TRUE(BandAnalysis::run(*sample, {cacheDir, store}, {}));
    return sample->bands;
  }
  QStringList cacheFiles() const { return QDir(cacheDir).entryList(QDir::Files, QDir::Name); }

  std::shared_ptr<SampleData> sample;
  QTemporaryDir root;
  QString cacheDir;
};

TEST_F(BandCacheTest, ASecondAnalysisReadsEveryBandWhetherCachingIsOnOrOff) {
  const TrackBands first = analyse(true);
  const QString key = QString::fromStdString(sample->key);
  EXPECT_EQ(cacheFiles(), QStringList({key + ".hi.bz2", key + ".low.bz2", key + ".mid.bz2"}));
  for (Band band : kBands) {
    EXPECT_EQ(bunzipped(WaveformCache::compressedPath(cacheDir, sample->key, band)), bigEndian(first.of(band)));
  }
  // Stand-ins of other values in the files: an analysis that shows them read them all and computed
  // nothing, with caching off as well.
  const std::vector<float> highs(std::size_t(sample->blockCount), 0.2f), mids(highs.size(), 0.7f), lows(highs.size(), 0.45f);
  WaveformCache::store(highs, sample->key, Band::High, cacheDir);
  WaveformCache::store(mids, sample->key, Band::Mid, cacheDir);
  WaveformCache::store(lows, sample->key, Band::Low, cacheDir);
  for (bool store : {true, false}) {
    const TrackBands second = analyse(store);
    EXPECT_EQ(second.of(Band::High), highs);
    EXPECT_EQ(second.of(Band::Mid), mids);
    EXPECT_EQ(second.of(Band::Low), lows);
  }
  // Deleting the directory brings back the computed bands, and their files.
  ASSERT_TRUE(QDir(cacheDir).removeRecursively());
  const TrackBands third = analyse(true);
  for (Band band : kBands) EXPECT_EQ(third.of(band), first.of(band));
  EXPECT_EQ(third.colourImage, first.colourImage);
  EXPECT_EQ(cacheFiles().size(), 3);
}

TEST(WaveformCacheSettingsTest, TheProgramCachesInItsHomeWhenAskedAndColoursAsSet) {
  testing::TestDirectories dirs;
  testing::FakeAudioBackend backend;
  testing::ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  EXPECT_EQ(app.settings().text(kWaveformCacheDirectorySettingId), "PROGDIR:Cache");
  EXPECT_TRUE(app.deck(Application::kDeckB).bandDisplay().colourised());
  app.settings().setValue(kColourWaveformSettingId, false);
  EXPECT_FALSE(app.deck(Application::kDeckB).bandDisplay().colourised());

  // Caching is off at first: the directory is made, nothing is written. On, the bands follow the
  // deck's analysis (which reports itself finished before writing them).
  const QString track = testing::makeTrack(dirs.path(""), "home.wav", 126, {"--seconds", "2"});
  const QString cache = dirs.directories().homeDir() + "/Cache";
  Deck& deck = app.deck(Application::kDeckA);
  auto loadAndWait = [&] { return deck.loadEntry(TrackEntry::fromPath(track)) && testing::waitFor([&] { return !deck.busy(); }); };
  ASSERT_TRUE(loadAndWait());
  EXPECT_TRUE(QFileInfo(cache).isDir() && QDir(cache).isEmpty());
  app.settings().setValue(kWaveformCacheOnSettingId, true);
  ASSERT_TRUE(loadAndWait());
  const QString key = QString::fromStdString(deck.sample()->key);
  const QStringList files = {key + ".hi.bz2", key + ".low.bz2", key + ".mid.bz2"};
  EXPECT_TRUE(testing::waitFor([&] { return QDir(cache).entryList(QDir::Files, QDir::Name) == files; }));
}

}  // namespace
}  // namespace gm

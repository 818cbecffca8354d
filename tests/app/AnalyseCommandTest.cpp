// `GrooveMangler --analyse` from the outside: the program prepares a folder as the decks would
// (same keys, tempos and lengths as a deck's load), stores play times and bands where the saved
// settings say, reports the damaged file and goes on, and a second run finds every band cached.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QSettings>

#include "app/AnalyseReport.h"
#include "app/CommandLine.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/RecordFile.h"

namespace gm {
namespace {

// The file's inode and modification time to the nanosecond: a cache file written anew (replaced
// through a new inode) changes both.
std::string stampOf(const QString& path) {
  struct stat info {};
  if (::stat(QFile::encodeName(path).constData(), &info) != 0) return "missing";
  return std::to_string(info.st_ino) + " " + std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
}

QString readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

class AnalyseCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(QDir(root()).mkpath("music/sub"));
    ASSERT_FALSE(testing::makeTrack(root() + "/music", "a.wav", 128, {"--seconds", "12"}).isEmpty());
    ASSERT_FALSE(testing::makeTrack(root() + "/music/sub", "b.wav", 120, {"--seconds", "9", "--mono"}).isEmpty());
    QFile broken(root() + "/music/broken.wav");
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write(QByteArray("this is no audio\n").repeated(300));
    broken.close();
    // Neither is looked at: not audio by its name, and hidden.
    ASSERT_TRUE(QFile::copy(root() + "/music/broken.wav", root() + "/music/cover.jpg"));
    ASSERT_TRUE(QFile::copy(root() + "/music/a.wav", root() + "/music/.a.wav"));
  }

  QString root() const { return dirs.path("work"); }
  QString home() const { return dirs.directories().homeDir(); }

  // Runs the program in root() with `arguments`; its standard output and error land in out and err.
  int analyse(const QStringList& arguments) {
    const QString program = qEnvironmentVariable("GROOVEMANGLER_PROGDIR") + "/GrooveMangler";
    const QStringList shell = {"-c", R"(cd "$1" && shift && exec "$@" >../out 2>../err)", "sh", root(), program,
                               "--home", home(), "--analyse"};
    const int status = testing::runTool("/bin/sh", shell + arguments, 120000);
    out = readAll(dirs.path("out"));
    err = readAll(dirs.path("err"));
    return status;
  }

  // The line a deck's load of the file gives: key, detected tempo and seconds, with the file's name
  // as given to the program. The deck keeps its data in a home of its own.
  QString lineOfADeckLoad(const QString& name, TrackDigest& digest) {
    Deck deck(0);
    PluginHost host(deckDirs);
    deck.setTempoDetector(host.createDetector());
    deck.setTrackDatabase(TrackDatabase(deckDirs));
    EXPECT_TRUE(deck.loadEntry(TrackEntry::fromPath(root() + "/" + name)));
    EXPECT_TRUE(testing::waitFor([&] { return !deck.busy(); }, 60000));
    const std::shared_ptr<const SampleData> sample = deck.sample();
    if (!sample) return {};
    digest = sample->digest;
    return QString("%1\t%2\t%3\t%4")
        .arg(QString::fromStdString(sample->key), QString::asprintf("%.2f", sample->detectedBpm / 100.0))
        .arg(sample->seconds)
        .arg(name);
  }

  testing::TestDirectories dirs;
  QTemporaryDir deckHome;
  Directories deckDirs = Directories::resolve({}, deckHome.path(), {});
  QString out, err;
};

TEST_F(AnalyseCommandTest, AFolderIsPreparedAsDecksLoadItAndTheDamagedFileIsReported) {
  // The saved settings name the cache directory; caching being off there does not stop the batch.
  const QString cache = root() + "/elsewhere/Cache";
  {
    QSettings ini(dirs.directories().configDir() + "/settings.ini", QSettings::IniFormat);
    ini.setValue(kWaveformCacheDirectorySettingId, cache);
    ini.setValue(kWaveformCacheOnSettingId, false);
  }
  ASSERT_EQ(analyse({"--jobs", "2", "music"}), 1) << err.toStdString();

  TrackDigest digestA{}, digestB{};
  const QString lineA = lineOfADeckLoad("music/a.wav", digestA);
  const QString lineB = lineOfADeckLoad("music/sub/b.wav", digestB);
  ASSERT_NE(lineA.section('\t', 1, 1), "0.00");
  ASSERT_NE(lineB.section('\t', 1, 1), "0.00");
  EXPECT_EQ(out, lineA + "\n" + lineB + "\n");
  EXPECT_TRUE(err.contains("GrooveMangler: Couldn't load music/broken.wav: Unsupported or damaged file.\n"))
      << err.toStdString();
  EXPECT_TRUE(err.contains("2 of 3 files prepared; bands computed for 2, read from the cache for 0")) << err.toStdString();

  const QString timeDb = home() + "/Keyledger/time.db";
  EXPECT_EQ(RecordFile::lookup(timeDb, digestA), 12);
  EXPECT_EQ(RecordFile::lookup(timeDb, digestB), 9);
  EXPECT_EQ(QFileInfo(timeDb).size(), 2 * RecordFile::kRecordBytes);

  const QString keyA = lineA.section('\t', 0, 0), keyB = lineB.section('\t', 0, 0);
  QStringList expected;
  for (const QString& key : {keyA, keyB})
    for (const char* band : {"hi", "low", "mid"}) expected << QString("%1.%2.bz2").arg(key, band);
  expected.sort();
  EXPECT_EQ(QDir(cache).entryList(QDir::Files, QDir::Name), expected);
  EXPECT_FALSE(QFileInfo::exists(home() + "/Cache"));

  // Again, with the folder and one of its files named: each track once, every band from the cache,
  // no cache file written anew, and the play times updated in place.
  std::vector<std::string> stamps;
  for (const QString& file : expected) stamps.push_back(stampOf(cache + "/" + file));
  ASSERT_EQ(analyse({"--jobs", "1", "music", "music/a.wav"}), 1);
  EXPECT_EQ(out, lineA + "\n" + lineB + "\n");
  EXPECT_TRUE(err.contains("2 of 3 files prepared; bands computed for 0, read from the cache for 2")) << err.toStdString();
  for (std::size_t i = 0; i < stamps.size(); ++i) EXPECT_EQ(stampOf(cache + "/" + expected[qsizetype(i)]), stamps[i]) << i;
  EXPECT_EQ(QFileInfo(timeDb).size(), 2 * RecordFile::kRecordBytes);
}

TEST(AnalyseCommandLineTest, AnalysingTakesAnyNumberOfFilesAndBetweenOneAnd256Jobs) {
  auto parse = [](std::vector<const char*> args) {
    args.insert(args.begin(), "GrooveMangler");
    return CommandLine::parse(int(args.size()), args.data());
  };
  const CommandLine many = parse({"--analyse", "a", "b", "c", "--jobs", "256"});
  EXPECT_TRUE(many.error.isEmpty()) << many.error.toStdString();
  EXPECT_TRUE(many.analyse);
  EXPECT_EQ(many.files, QByteArrayList({"a", "b", "c"}));
  EXPECT_EQ(many.jobs, 256);
  EXPECT_EQ(parse({"--analyse", "--jobs=1", "a"}).jobs, 1);
  EXPECT_EQ(parse({"--analyse", "a"}).jobs, 0);
  for (const char* jobs : {"--jobs=0", "--jobs=257", "--jobs=2x", "--jobs="}) {
    EXPECT_EQ(parse({"--analyse", jobs, "a"}).error, "option --jobs needs a number from 1 to 256") << jobs;
  }
  EXPECT_EQ(parse({"--analyse"}).error, "option --analyse needs files or directories to analyse");
  EXPECT_EQ(parse({"--jobs", "2", "a"}).error, "option --jobs goes with --analyse");
  EXPECT_EQ(parse({"a", "b", "c"}).error, "too many tracks: at most two, one for each deck");
}

TEST(AnalyseReportTest, TheProgressBarRoundsDownAndLeavesTheLastColumnFree) {
  EXPECT_EQ(AnalyseReport::progressBar(0.999, 7, 20, 40), "[#########################-]  7/20  99%");
  EXPECT_EQ(AnalyseReport::progressBar(1.0, 20, 20, 40), "[########################]  20/20  100%");
  // However narrow the terminal, the bar keeps ten cells.
  EXPECT_EQ(AnalyseReport::progressBar(0.35, 1, 3, 20), "[###-------]  1/3  35%");
}

}  // namespace
}  // namespace gm

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "PluginTestFiles.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "plugins/support/Dataspace.h"
#include "plugins/support/FourCc.h"
#include "plugins/support/IffReader.h"
#include "plugins/support/IffWriter.h"
#include "plugins/support/PrefsFile.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"

namespace gm::testing {
namespace {

using plugin::fourCc;

void writeBytes(const QString& path, const std::vector<std::uint8_t>& bytes) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
}

TEST(PreferencesFileTest, FilterWritesExactLayoutOnEverySetOfTheEnabledFlag) {
  QTemporaryDir dir;
  const QString path = dir.filePath("Mufflex.prefs");
  {
    RawPlugin mufflex(builtPlugin("Filters/Mufflex.filter"), path.toStdString());
    ASSERT_TRUE(mufflex.loaded());
    EXPECT_EQ(mufflex.integer(GM_ATTR_ENABLED), 1) << "nothing stored reads as enabled";
    EXPECT_FALSE(QFile::exists(path)) << "creation writes nothing";
    mufflex.set({{GM_ATTR_ENABLED, 0}});
  }
  const std::vector<std::uint8_t> expected = {
      'F', 'O', 'R', 'M', 0, 0, 0, 38, 'P', 'R', 'E', 'F',          // group, size, form type
      'P', 'R', 'H', 'D', 0, 0, 0, 6, 1, 0, 0, 0, 0, 0,             // header: version 1, type 0, flags 0
      'M', 'F', 'L', 'X', 0, 0, 0, 12,                              // the plug-in's chunk
      'U', 'S', 'E', 'P', 0, 0, 0, 4, 0, 0, 0, 0};                  // item: id, length, value
  EXPECT_EQ(fileBytes(path), expected);

  RawPlugin reread(builtPlugin("Filters/Mufflex.filter"), path.toStdString());
  EXPECT_EQ(reread.integer(GM_ATTR_ENABLED), 0);
  reread.set({{GM_ATTR_ENABLED, 7}});
  EXPECT_EQ(reread.integer(GM_ATTR_ENABLED), 1);
  EXPECT_EQ(fileBytes(path).back(), 1);
}

TEST(PreferencesFileTest, DetectorStoresItsSettingsInIdentifierOrder) {
  QTemporaryDir dir;
  const QString path = dir.filePath("BasicDetector.prefs");
  RawPlugin detector(builtPlugin("BeatDetectors/Pulsetrak.detector"), path.toStdString());
  ASSERT_TRUE(detector.loaded());
  EXPECT_EQ(detector.integer(GM_DETECTOR_STEPS), 15);
  EXPECT_EQ(detector.integer(GM_DETECTOR_LENGTH), 2);
  // Detector settings do not end a tag list: all three are taken.
  EXPECT_EQ(detector.set({{GM_DETECTOR_STEPS, 20}, {GM_DETECTOR_LENGTH, 3}, {GM_ATTR_ENABLED, 1}}), 3u);
  const std::vector<std::uint8_t> bytes = fileBytes(path);
  ASSERT_EQ(bytes.size(), 26u + 8u + 36u);
  const std::vector<std::uint8_t> body(bytes.begin() + 34, bytes.end());
  const std::vector<std::uint8_t> expectedBody = {'B', 'D', 'L', 'E', 0, 0, 0, 4, 0, 0, 0, 3,   //
                                                  'B', 'D', 'S', 'T', 0, 0, 0, 4, 0, 0, 0, 20,  //
                                                  'U', 'S', 'E', 'P', 0, 0, 0, 4, 0, 0, 0, 1};
  EXPECT_EQ(body, expectedBody);
  EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin() + 26, bytes.begin() + 30),
            (std::vector<std::uint8_t>{'B', 'A', 'Z', 'C'}));
}

TEST(PreferencesFileTest, DamagedOrForeignFilesLeaveTheDefaults) {
  plugin::Dataspace written;
  written.set(fourCc("USEP"), 0);
  const std::vector<std::uint8_t> whole = plugin::PrefsFile::image(fourCc("PHAZ"), written);

  for (std::size_t length = 0; length < whole.size(); ++length) {
    plugin::Dataspace loaded;
    EXPECT_FALSE(plugin::PrefsFile::parse(std::span(whole.data(), length), fourCc("PHAZ"), loaded)) << length;
    EXPECT_TRUE(loaded.empty());
  }
  plugin::Dataspace wrongChunk;
  EXPECT_FALSE(plugin::PrefsFile::parse(whole, fourCc("MFLX"), wrongChunk));

  // A size field claiming more than the file holds.
  std::vector<std::uint8_t> lying = whole;
  lying[7] = 0xFF;
  lying[6] = 0xFF;
  plugin::Dataspace fromLying;
  EXPECT_FALSE(plugin::PrefsFile::parse(lying, fourCc("PHAZ"), fromLying));

  QTemporaryDir dir;
  const QString path = dir.filePath("p.prefs");
  writeBytes(path, lying);
  RawPlugin phaser(builtPlugin("Filters/Phaser.filter"), path.toStdString());
  EXPECT_EQ(phaser.integer(GM_ATTR_ENABLED), 1) << "a damaged file reads as nothing stored";
}

// A FIFO or a directory where the preferences file should be reads as nothing stored, at once.
TEST(PreferencesFileTest, AFifoInPlaceOfThePreferencesFileDoesNotHang) {
  TestDirectories dirs;
  const QString filters = dirs.directories().resolve("PROGDIR:Filters");
  ASSERT_TRUE(QDir().mkpath(filters) && copyPlugin("Filters/Phaser.filter", filters + "/Phaser.filter"));
  const QString prefs = dirs.directories().resolve("PROGDIR:Filters/Phaser.prefs");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(prefs).absolutePath()));
  ASSERT_EQ(mkfifo(QFile::encodeName(prefs).constData(), 0600), 0);
  EXPECT_TRUE(finishesWithin(5000, [&] {
    PluginHost host(dirs.directories());
    std::unique_ptr<PluginObject> phaser = host.createObject(filters + "/Phaser.filter");
    if (!phaser || !phaser->enabled()) std::_Exit(1);
  }));
}

// A save that cannot be completed (here a file-size limit cuts the write, as a full disk would)
// leaves the previous file whole, leaves no temporary file behind, and is reported.
TEST(PreferencesFileTest, AFailedSaveKeepsThePreviousFileAndIsReported) {
  TestDirectories dirs;
  const QString filters = dirs.directories().resolve("PROGDIR:Filters");
  ASSERT_TRUE(QDir().mkpath(filters) && copyPlugin("Filters/Phaser.filter", filters + "/Phaser.filter"));
  PluginHost host(dirs.directories());
  QStringList reported;
  host.setFailureReporter([&reported](const QString& text) { reported << text; });
  std::unique_ptr<PluginObject> phaser = host.createObject(filters + "/Phaser.filter");
  ASSERT_NE(phaser, nullptr);
  phaser->setEnabled(false);
  const QString prefs = dirs.directories().resolve("PROGDIR:Filters/Phaser.prefs");
  const std::vector<std::uint8_t> before = fileBytes(prefs);
  ASSERT_FALSE(before.empty());

  rlimit saved{};
  getrlimit(RLIMIT_FSIZE, &saved);
  std::signal(SIGXFSZ, SIG_IGN);
  rlimit tiny = saved;
  tiny.rlim_cur = 16;
  setrlimit(RLIMIT_FSIZE, &tiny);
  phaser->setEnabled(true);
  setrlimit(RLIMIT_FSIZE, &saved);

  EXPECT_EQ(fileBytes(prefs), before);
  EXPECT_EQ(QDir(QFileInfo(prefs).absolutePath()).entryList(QDir::Files), QStringList{"Phaser.prefs"});
  ASSERT_EQ(reported.size(), 1);
  EXPECT_TRUE(reported[0].contains(prefs)) << reported[0].toStdString();
}

TEST(PreferencesFileTest, ReaderFindsTheChunkPastOddChunksInsideNestedGroupsOnlyInPrefForms) {
  plugin::IffWriter writer;
  writer.pushGroup(fourCc("LIST"), fourCc("    "));
  writer.pushGroup(fourCc("FORM"), fourCc("ILBM"));
  writer.pushChunk(fourCc("MFLX"));  // right chunk, wrong form type
  writer.writeU32(1);
  writer.pop();
  writer.pop();
  writer.pushGroup(fourCc("FORM"), fourCc("PREF"));
  writer.pushChunk(fourCc("ANNO"));
  const std::uint8_t odd[3] = {'a', 'b', 'c'};
  writer.writeBytes(odd, 3);
  EXPECT_TRUE(writer.pop());
  EXPECT_EQ(writer.bytes().size() % 2, 0u) << "odd chunks are padded";
  writer.pushChunk(fourCc("MFLX"));
  writer.writeU32(0xCAFEF00D);
  writer.pop();
  writer.pop();
  writer.pop();
  EXPECT_FALSE(writer.pop());
  ASSERT_TRUE(writer.complete());

  const auto body = plugin::IffReader::findChunk(writer.bytes(), fourCc("PREF"), fourCc("MFLX"));
  ASSERT_TRUE(body.has_value());
  ASSERT_EQ(body->size(), 4u);
  EXPECT_EQ(plugin::IffReader::readU32(body->data()), 0xCAFEF00Du);
  EXPECT_FALSE(plugin::IffReader::findChunk(writer.bytes(), fourCc("PREF"), fourCc("PHAZ")).has_value());
}

TEST(PreferencesFileTest, DataspaceKeepsFourByteItemsAndSkipsOthers) {
  plugin::Dataspace values;
  values.set(fourCc("BDST"), -5);
  values.set(fourCc("USEP"), 1);
  std::vector<std::uint8_t> body = values.serialise();
  // An item of another length (odd, so padded) in the middle is skipped; a cut item ends the list.
  const std::vector<std::uint8_t> foreign = {'X', 'T', 'R', 'A', 0, 0, 0, 3, 9, 9, 9, 0};
  body.insert(body.begin() + 12, foreign.begin(), foreign.end());
  body.insert(body.end(), {'C', 'U', 'T', '!', 0, 0, 0, 4, 0});
  plugin::Dataspace loaded;
  loaded.deserialise(body);
  EXPECT_EQ(loaded.find(fourCc("BDST")), -5);
  EXPECT_EQ(loaded.find(fourCc("USEP")), 1);
  EXPECT_FALSE(loaded.find(fourCc("XTRA")).has_value());
  EXPECT_FALSE(loaded.find(fourCc("CUT!")).has_value());
}

}  // namespace
}  // namespace gm::testing

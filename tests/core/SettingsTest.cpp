#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/Application.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"

namespace gm {
namespace {

using testing::FakeAudioBackend;
using testing::ScriptedRequester;
using testing::TestDirectories;

TEST(SettingsTest, TwoTiersBehaveLikeSaveUseAndCancel) {
  TestDirectories dirs;
  FakeAudioBackend backend({"Card A", "Card B"});
  ScriptedRequester requester;
  {
    Application app(dirs.directories(), backend, requester);
    ASSERT_TRUE(app.create());
    EXPECT_EQ(app.settings().text("AHIS"), "Card A");  // the system's default device

    app.settings().setValue("AHIS", "Card B");
    app.saveSettings();
    app.settings().setValue("AHIS", "Card A");
    app.useSettings();
    EXPECT_EQ(app.masterOutput()->deviceName(), "Card A");

    // "Cancel" brings back what was last used, not the default and not the saved copy.
    app.settings().setValue("AHIS", kNullOutputName);
    app.cancelSettings();
    EXPECT_EQ(app.settings().text("AHIS"), "Card A");
  }
  // The next session starts from the saved copy, not from what was used.
  Application next(dirs.directories(), backend, requester);
  ASSERT_TRUE(next.create());
  EXPECT_EQ(next.settings().text("AHIS"), "Card B");
  EXPECT_EQ(next.masterOutput()->deviceName(), "Card B");
  next.settings().setValue("AHIS", "Card A");
  next.cancelSettings();
  EXPECT_EQ(next.settings().text("AHIS"), "Card B");
}

TEST(SettingsTest, MissingDamagedOrForeignValuesLeaveDefaults) {
  TestDirectories dirs;
  Settings settings;
  settings.define("KSTV", 128);
  settings.define("FILR", QString("mix"));
  SettingsStore store(dirs.path("config/settings.ini"), dirs.path("runtime/settings.ini"));
  EXPECT_FALSE(store.load(settings, SettingsStore::Tier::Permanent));
  EXPECT_EQ(settings.integer("KSTV"), 128);

  QFile file(dirs.path("config/settings.ini"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("\x01\x02garbage\n[General]\nKSTV=not-a-number\nZZZZ=5\nFILR=set\n");
  file.close();
  EXPECT_TRUE(store.load(settings, SettingsStore::Tier::Permanent));
  EXPECT_EQ(settings.integer("KSTV"), 128);
  EXPECT_EQ(settings.text("FILR"), "set");
  EXPECT_FALSE(settings.isDefined("ZZZZ"));
}

// Values outside a setting's range, from either copy, are clamped before anything reads them: the
// pitch range of a hand-edited file can neither overflow the slider's arithmetic nor disable it.
TEST(SettingsTest, OutOfRangeValuesLoadClampedAndThePitchControlWorks) {
  TestDirectories dirs;
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  for (const auto& [stored, range] : {std::pair{"2147483647", 1000}, std::pair{"-2147483648", 250},
                                      std::pair{"1001", 1000}, std::pair{"249", 250}, std::pair{"251", 251}}) {
    QFile file(dirs.path("config/GrooveMangler/settings.ini"));
    ASSERT_TRUE(QDir().mkpath(dirs.path("config/GrooveMangler")) && file.open(QIODevice::WriteOnly));
    file.write(QByteArray("[General]\nPTXR=") + stored + "\nBPML=30000000\nBPMU=-5\nKSTV=65\n");
    file.close();
    Application app(dirs.directories(), backend, requester);
    ASSERT_TRUE(app.create());
    EXPECT_EQ(app.settings().integer("PTXR"), range) << stored;
    EXPECT_EQ(app.settings().integer("BPML"), 120);
    EXPECT_EQ(app.settings().integer("BPMU"), 120);
    EXPECT_EQ(app.settings().integer("KSTV"), 65);
    DeckControls& controls = app.deckControls(Application::kDeckA);
    EXPECT_EQ(controls.pitchSlider().minimum(), 10000 - range);
    EXPECT_EQ(controls.pitchSlider().maximum(), 10000 + range);
    EXPECT_EQ(controls.pitchSlider().value(), 10000);
    controls.pitchUp();
    EXPECT_EQ(app.deck(Application::kDeckA).pitch(), 10001);
  }
}

// A damaged copy never stops the start: each value that cannot be taken is reset (a number or flag
// that is text, an unknown chooser entry, a colour that is no "#rrggbb") or clamped (one past either
// end of its range), and the status line names exactly those settings, once.
TEST(SettingsTest, DamagedValuesLoadAsDefaultsOrClampedAndAreNamedOnce) {
  TestDirectories dirs;
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  const QString file = dirs.path("config/GrooveMangler/settings.ini");
  ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
  const QByteArray stored =
      "[General]\nPTXR=249\nBPMU=241\nBPML=40\nUBHI=19\nLBHI=-19\nLBMI=-3\nCOLB=#12345\nCOLC=#ABCDEF\n"
      "FILS=3\nFILR=set 2\nKSTV=12abc\nFRQH=1001\nWARN=maybe\n";
  for (const QByteArray& content : {stored, QByteArray("\x00\xff\xfe[\x01=\n\x89PNG\r\n\x1a\n\x00\x00", 16)}) {
    QFile out(file);
    ASSERT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(content);
    out.close();
    Application app(dirs.directories(), backend, requester);
    QStringList notices;
    QObject::connect(&app.status(), &StatusLine::shown, [&notices](const QString& text) { notices << text; });
    ASSERT_TRUE(app.create());
    notices = notices.filter("settings", Qt::CaseInsensitive);  // not the start's other news (no MIDI here)
    const Settings& settings = app.settings();
    if (content != stored) {
      EXPECT_EQ(notices, QStringList{"The settings file " + file + " cannot be read: every setting has its default value."});
      EXPECT_EQ(settings.integer("PTXR"), 1000);
      continue;
    }
    EXPECT_EQ(notices, QStringList{"Settings that were damaged and are now reset: Upper Limit, Background, Filesize, "
                                   "Mouse Sensitivity, Hi Band Lower Gain Limit, Range, Hi Band Upper Gain Limit, "
                                   "Do not warn when speakers and headphones share one output."});
    EXPECT_EQ(settings.integer("PTXR"), 250);
    EXPECT_EQ(settings.integer("BPMU"), 240);
    EXPECT_EQ(settings.integer("BPML"), 40);
    EXPECT_EQ(settings.integer("UBHI"), 18);
    EXPECT_EQ(settings.integer("LBHI"), -18);
    EXPECT_EQ(settings.integer("LBMI"), -3);
    EXPECT_EQ(settings.text("COLB"), settings.defaultValue("COLB").toString());
    EXPECT_EQ(settings.text("COLC"), "#abcdef");
    EXPECT_EQ(settings.integer("FILS"), 0);
    EXPECT_EQ(settings.text("FILR"), "set 2");
    EXPECT_EQ(settings.integer("KSTV"), 128);
    EXPECT_EQ(settings.integer("FRQH"), 1001);
    EXPECT_FALSE(settings.flag("WARN"));
  }
}

TEST(SettingsTest, AFailedSaveIsReportedAndKeepsThePreviousCopy) {
  TestDirectories dirs;
  Settings settings;
  settings.define("FILR", QString("mix"));
  SettingsStore good(dirs.path("config/settings.ini"), dirs.path("runtime/settings.ini"));
  ASSERT_TRUE(good.save(settings, SettingsStore::Tier::Permanent));
  // A temporary copy whose directory cannot be made (a file stands in its way) fails to save.
  QFile blocker(dirs.path("runtime/blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  SettingsStore blocked(dirs.path("config/settings.ini"), dirs.path("runtime/blocked/settings.ini"));
  settings.setValue("FILR", "other");
  EXPECT_FALSE(blocked.save(settings, SettingsStore::Tier::Temporary));
  Settings reread;
  reread.define("FILR", QString());
  ASSERT_TRUE(good.load(reread, SettingsStore::Tier::Permanent));
  EXPECT_EQ(reread.text("FILR"), "mix");
}

TEST(SettingsTest, ValuesConvertToTheirTypeAndNotifyOnlyOnChange) {
  Settings settings;
  settings.define("WARN", false);
  settings.define("KSTV", 128);
  int notifications = 0;
  QObject::connect(&settings, &Settings::changed, [&notifications] { ++notifications; });
  settings.setValue("KSTV", "200");
  settings.setValue("KSTV", 200);
  settings.setValue("NOPE", 1);
  settings.setValue("WARN", "true");
  EXPECT_EQ(settings.integer("KSTV"), 200);
  EXPECT_TRUE(settings.flag("WARN"));
  EXPECT_EQ(notifications, 2);
  settings.resetToDefaults();
  EXPECT_EQ(settings.integer("KSTV"), 128);
  EXPECT_EQ(notifications, 4);
}

}  // namespace
}  // namespace gm

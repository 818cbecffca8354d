#include "app/Application.h"

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QSettings>

#include "core/CatalogTable.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

using testing::FakeAudioBackend;
using testing::FakeOutput;
using testing::ScriptedRequester;
using testing::TestDirectories;

// Writes values into the permanent settings copy, as an earlier session's "Save" would have.
void storeSettings(const TestDirectories& dirs, std::initializer_list<std::pair<QString, QVariant>> values) {
  QSettings ini(dirs.directories().configDir() + "/settings.ini", QSettings::IniFormat);
  for (const auto& [id, value] : values) ini.setValue(id, value);
}

bool headphoneControlsEnabled(Application& app) {
  return app.cueButton(1).enabled() && app.cueButton(2).enabled() && app.headphoneMasterLevel().enabled() &&
         app.headphoneCueLevel().enabled();
}

TEST(ApplicationTest, StartsOnTheNullOutputWhenThereIsNoSoundDevice) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  ASSERT_NE(app.masterOutput(), nullptr);
  EXPECT_EQ(app.masterOutput()->deviceName(), kNullOutputName);
  EXPECT_EQ(app.masterOutput()->name(), kMasterOutputName);
  ASSERT_NE(app.headphoneOutput(), nullptr);
  EXPECT_EQ(app.headphoneOutput()->name(), kLineOutputName);
  EXPECT_EQ(app.status().text(), msg(Msg::StatusNoSoundDevice));
  EXPECT_FALSE(app.sharedUnit());
  EXPECT_TRUE(requester.titles.isEmpty());
  EXPECT_TRUE(headphoneControlsEnabled(app));
  EXPECT_FALSE(app.engine()->headphonesOff());
}

TEST(ApplicationTest, DisabledHeadphonesSwitchTheHeadphonePathOffUntilTheNextStart) {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIL", kHeadphonesDisabled}});
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  EXPECT_EQ(app.headphoneOutput(), nullptr);
  EXPECT_TRUE(app.engine()->headphonesOff());
  EXPECT_FALSE(headphoneControlsEnabled(app));

  // Choosing a device again takes effect when the settings are used: the audio restarts.
  app.settings().setValue("AHIL", QString(kNullOutputName));
  app.useSettings();
  ASSERT_NE(app.headphoneOutput(), nullptr);
  EXPECT_FALSE(app.engine()->headphonesOff());
  EXPECT_TRUE(headphoneControlsEnabled(app));
}

TEST(ApplicationTest, HeadphonesFallBackToTheSpeakersDeviceWithAWarningUntilTheUserSaysStop) {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIS", "Card A"}, {"AHIL", "Card B"}});
  FakeAudioBackend backend({"Card A", "Card B"});
  backend.refuseOpen("Card B");
  ScriptedRequester requester;
  requester.answer(0);  // "_Do not bother me again."
  {
    Application app(dirs.directories(), backend, requester);
    ASSERT_TRUE(app.create());
    EXPECT_TRUE(app.sharedUnit());
    EXPECT_EQ(app.headphoneOutput()->deviceName(), "Card A");
    ASSERT_EQ(requester.titles.size(), 1);
    EXPECT_EQ(requester.titles[0], "Warning");
    EXPECT_EQ(requester.buttons[0], "_Do not bother me again.|*_OK");
    EXPECT_TRUE(requester.texts[0].startsWith(
        "Speakers and Headphones outputs have been assigned to the same audio device.\nComputer must have"));
    EXPECT_TRUE(app.settings().flag("WARN"));
    // A restart of the audio in the same session does not ask again.
    ASSERT_TRUE(app.appStartAudio());
    EXPECT_EQ(requester.titles.size(), 1);
  }
  // Nor does the next session: the answer was stored.
  Application again(dirs.directories(), backend, requester);
  ASSERT_TRUE(again.create());
  EXPECT_TRUE(again.sharedUnit());
  EXPECT_EQ(requester.titles.size(), 1);
}

TEST(ApplicationTest, AnsweringOkKeepsTheWarningForNextTime) {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIS", "Card A"}, {"AHIL", "Card A"}});
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  requester.answer(1);
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  EXPECT_TRUE(app.sharedUnit());
  EXPECT_FALSE(app.settings().flag("WARN"));
  ASSERT_TRUE(app.appStartAudio());
  EXPECT_EQ(requester.titles.size(), 2);
}

TEST(ApplicationTest, HeadphonesThatCannotConnectAreSwitchedOff) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  backend.refuseConnect(kLineOutputName);
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  EXPECT_EQ(app.headphoneOutput(), nullptr);
  EXPECT_TRUE(app.engine()->headphonesOff());
  EXPECT_FALSE(headphoneControlsEnabled(app));
}

TEST(ApplicationTest, AFailedAudioStartShowsTheErrorAndFailsCreation) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  backend.refuseConnect(kMasterOutputName);
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  EXPECT_FALSE(app.create());
  ASSERT_EQ(requester.titles.size(), 1);
  EXPECT_EQ(requester.titles[0], "Error");
  EXPECT_EQ(requester.texts[0], "Failed at instanciating GrooveMangler. Exiting.");
  EXPECT_EQ(app.engine(), nullptr);
  EXPECT_EQ(app.masterOutput(), nullptr);
}

TEST(ApplicationTest, AMissingSavedDeviceFallsBackToTheNullOutput) {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIS", "USB Controller"}});
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  EXPECT_EQ(app.masterOutput()->deviceName(), kNullOutputName);
  EXPECT_TRUE(app.status().text().contains("USB Controller"));
  // The choice itself is kept for when the device is back.
  EXPECT_EQ(app.settings().text("AHIS"), "USB Controller");
}

TEST(ApplicationTest, AnOutputThatFailsWhileRunningMovesToTheNullOutput) {
  TestDirectories dirs;
  FakeAudioBackend backend({"Card A"});
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  FakeOutput* card = backend.lastOpened(kMasterOutputName);
  ASSERT_EQ(card->deviceName(), "Card A");
  card->breakDevice();
  app.appTick();
  ASSERT_NE(app.masterOutput(), nullptr);
  EXPECT_EQ(app.masterOutput()->deviceName(), kNullOutputName);
  EXPECT_EQ(app.masterOutput()->name(), kMasterOutputName);
  EXPECT_TRUE(app.status().text().contains(kMasterOutputName));
  // The replacement plays the engine's master port.
  FakeOutput* replacement = backend.lastOpened(kMasterOutputName);
  EXPECT_TRUE(replacement->running());
  EXPECT_EQ(replacement->port(), MixEngine::kMasterPort);
  EXPECT_EQ(replacement->pullOnce(), std::vector<std::int16_t>(256 * 2, 0));
}

TEST(ApplicationTest, HeadphonesThatDieWithNoNullOutputToTakeOverAreSwitchedOffUntilUsedAgain) {
  TestDirectories dirs;
  storeSettings(dirs, {{"AHIS", "Card A"}, {"AHIL", "Card B"}});
  FakeAudioBackend backend({"Card A", "Card B"});
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  ASSERT_TRUE(headphoneControlsEnabled(app));
  backend.refuseOpen(kNullOutputName);
  backend.lastOpened(kLineOutputName)->breakDevice();
  app.appTick();
  EXPECT_EQ(app.headphoneOutput(), nullptr);
  EXPECT_TRUE(app.engine()->headphonesOff());
  EXPECT_FALSE(headphoneControlsEnabled(app));
  EXPECT_TRUE(backend.lastOpened(kMasterOutputName)->running());  // the speakers play on

  // "Use" with the same choice tries the chosen device again.
  app.useSettings();
  ASSERT_NE(app.headphoneOutput(), nullptr);
  EXPECT_EQ(app.headphoneOutput()->deviceName(), "Card B");
  EXPECT_FALSE(app.engine()->headphonesOff());
  EXPECT_TRUE(headphoneControlsEnabled(app));
}

TEST(ApplicationTest, OutputBlocksBeyondTheDecksBoundStillPlayEveryFrameThroughTheDecks) {
  TestDirectories dirs;
  const QString track = testing::makeTrack(dirs.path("."), "a.wav", 120, {"--seconds", "2"});
  ASSERT_FALSE(track.isEmpty());
  // One output fixes a block one frame longer than a deck may render; the other lets the device
  // decide at each pull.
  for (const std::size_t outputBlock : {kMaxRenderBlockFrames + 1, std::size_t{0}}) {
    FakeAudioBackend backend({"Card A"});
    backend.setBlockFrames(outputBlock);
    ScriptedRequester requester;
    Application app(dirs.directories(), backend, requester);
    ASSERT_TRUE(app.create());
    EXPECT_EQ(app.engine()->maxBlockFrames(), kMaxRenderBlockFrames);
    Deck& deck = app.deck(Application::kDeckA);
    app.loadFiles({track});
    ASSERT_TRUE(testing::waitFor([&] { return deck.hasTrack() && !deck.busy(); }));
    ASSERT_TRUE(deck.play());
    FakeOutput* card = backend.lastOpened(kMasterOutputName);
    card->pullOnce(kMaxRenderBlockFrames + 1);
    card->pullOnce(kMaxRenderBlockFrames + 1);
    app.appTick();
    EXPECT_EQ(deck.positionFrames(), std::int32_t(2 * (kMaxRenderBlockFrames + 1))) << outputBlock;
  }
}

TEST(ApplicationTest, MixerControlsReachTheEngineThroughTheGainLaws) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  MixEngine& engine = *app.engine();
  EXPECT_EQ(engine.crossFader(), -1);  // the centre leaves deck B at 65535/65536
  app.crossFader().setValue(60);
  EXPECT_EQ(engine.crossFader(), 65535);
  app.crossFader().setValue(-60);
  EXPECT_EQ(engine.crossFader(), -65535);
  app.crossFader().setValue(54);
  EXPECT_EQ(engine.crossFader(), 32844);  // deck A at about half gain
  app.setAppCrossFader(61);               // outside the travel: ignored
  EXPECT_EQ(engine.crossFader(), 32844);

  app.volume(Application::kDeckA).setValue(59);
  EXPECT_EQ(engine.volumeA(), 58409u);
  app.volume(Application::kDeckB).setValue(0);
  EXPECT_EQ(engine.volumeB(), 0u);
  app.volume(Application::kDeckB).setValue(99);  // the control clamps to 60
  EXPECT_EQ(engine.volumeB(), 65536u);
}

TEST(ApplicationTest, HeadphoneSettingsFollowTheCueButtonsAndKnobs) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  MixEngine& engine = *app.engine();
  EXPECT_EQ(engine.cueSource(), 0u);
  app.cueButton(Application::kDeckA).setValue(1);
  EXPECT_EQ(engine.cueSource(), 1u);
  app.cueButton(Application::kDeckB).setValue(1);
  EXPECT_EQ(engine.cueSource(), 2u);  // deck B wins when both are pressed
  app.cueButton(Application::kDeckB).setValue(0);
  EXPECT_EQ(engine.cueSource(), 1u);
  app.headphoneMasterLevel().setValue(17);
  app.headphoneCueLevel().setValue(300);
  EXPECT_EQ(engine.headphoneMasterLevel(), 17u);
  EXPECT_EQ(engine.headphoneCueLevel(), 255u);
  // A restart of the audio hands the controls' values to the new engine.
  ASSERT_TRUE(app.appStartAudio());
  EXPECT_EQ(app.engine()->cueSource(), 1u);
  EXPECT_EQ(app.engine()->headphoneMasterLevel(), 17u);
}

TEST(ApplicationTest, QuitAsksAndOnlyOkEnds) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  int quits = 0;
  QObject::connect(&app, &Application::quitRequested, [&quits] { ++quits; });
  requester.answer(1);
  EXPECT_FALSE(app.appQuit());
  EXPECT_EQ(quits, 0);
  EXPECT_NE(app.engine(), nullptr);
  EXPECT_EQ(requester.texts.last(), "Do you really want to quit?");
  EXPECT_EQ(requester.buttons.last(), "_OK|_Cancel");
  requester.answer(0);
  EXPECT_TRUE(app.appQuit());
  EXPECT_EQ(quits, 1);
  app.endByBreakSignal();  // no question for the break signal
  EXPECT_EQ(quits, 2);
  EXPECT_EQ(requester.titles.size(), 2);
}

TEST(ApplicationTest, TickShowsTheClock) {
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  app.appTick();
  EXPECT_TRUE(QRegularExpression("^\\d\\d:\\d\\d:\\d\\d$").match(app.clockText()).hasMatch()) << app.clockText().toStdString();
}

}  // namespace
}  // namespace gm

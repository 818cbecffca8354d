// End to end against a real, paced device: a JACK server on the dummy driver, started by the test,
// killed in the middle of the mix and started again.

#include <gtest/gtest.h>
#include <unistd.h>

#include <QSettings>
#include <QTemporaryDir>

#include "app/Application.h"
#include "audio/JackServerLoss.h"
#include "audio/PortAudioBackend.h"
#include "core/CatalogTable.h"
#include "support/JackDummyServer.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

using testing::JackDummyServer;
using testing::waitFor;

// PortAudio lists the JACK server's playback ports as this device.
constexpr const char* kJackDevice = "system";

bool waitUntilDeckPasses(Application& app, std::int32_t frame) {
  return waitFor([&] { return app.deck(Application::kDeckA).positionFrames() > frame; });
}

TEST(JackDeviceLossTest, LosingTheServerMidMixKeepsProgramAndDecksAndTheDeviceCanBeChosenAgain) {
  JackDummyServer server(256);
  if (!server.running()) GTEST_SKIP() << server.problem();
  testing::TestDirectories dirs;
  {
    QSettings ini(dirs.directories().configDir() + "/settings.ini", QSettings::IniFormat);
    ini.setValue(SettingId::kSpeakers, kJackDevice);
  }
  QTemporaryDir tracks;
  const QString track = testing::makeTrack(tracks.path(), "a.wav", 120, {"--seconds", "60"});
  ASSERT_FALSE(track.isEmpty());

  PortAudioBackend backend;
  testing::ScriptedRequester requester;
  Application app(dirs.directories(), backend, requester);
  ASSERT_TRUE(app.create());
  ASSERT_EQ(app.masterOutput()->deviceName(), kJackDevice);
  EXPECT_EQ(app.masterOutput()->blockFrames(), 0u);  // the server's period decides
  Deck& deck = app.deck(Application::kDeckA);
  app.loadFiles({track});
  ASSERT_TRUE(waitFor([&] { return deck.hasTrack() && !deck.busy(); }));
  deck.setPitch(10300);
  deck.setPosition(3000);
  ASSERT_TRUE(deck.play());
  ASSERT_TRUE(waitUntilDeckPasses(app, 3000 + 4410));

  // The server dies. Once JACK told the program, the next tick moves the master to the null output
  // without waiting for the dead server.
  const std::uint64_t lostBefore = JackServerLoss::lostServers();
  server.kill();
  ASSERT_TRUE(waitFor([&] { return JackServerLoss::lostServers() > lostBefore; }));
  app.appTick();
  ASSERT_NE(app.masterOutput(), nullptr);
  EXPECT_EQ(app.masterOutput()->deviceName(), kNullOutputName);
  EXPECT_EQ(app.status().text(), msg(Msg::StatusOutputFailed).arg(kMasterOutputName, kJackDevice));

  // The mix goes on from where it was, with the deck's settings.
  EXPECT_TRUE(deck.playing());
  EXPECT_EQ(deck.pitch(), 10300);
  const std::int32_t atLoss = deck.positionFrames();
  ASSERT_TRUE(waitUntilDeckPasses(app, atLoss + 4410));

  // The server comes back; choosing the same device again (a fresh device list, "Use") reconnects.
  ASSERT_TRUE(server.start()) << server.problem();
  const std::vector<std::string> devices = backend.outputDevices();
  EXPECT_NE(std::find(devices.begin(), devices.end(), kJackDevice), devices.end());
  app.settings().setValue(SettingId::kSpeakers, QString(kJackDevice));
  app.useSettings();
  ASSERT_EQ(app.masterOutput()->deviceName(), kJackDevice);
  EXPECT_FALSE(app.masterOutput()->failed());
  EXPECT_TRUE(deck.playing());
  ASSERT_TRUE(waitUntilDeckPasses(app, deck.positionFrames() + 4410));
}

}  // namespace
}  // namespace gm

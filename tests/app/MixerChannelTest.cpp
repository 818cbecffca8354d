#include "app/MixerChannel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "app/Application.h"
#include "audio/DbTable.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"

namespace gm {
namespace {

using testing::FakeAudioBackend;
using testing::ScriptedRequester;
using testing::TestDirectories;

constexpr std::size_t kBlockFrames = 256;
constexpr int kRenderedBlocks = 8;

// The controller mapping as a remote control computes it: range factor in double, taken to single
// precision, times the byte in single precision, truncated, plus the minimum.
int byteRecipe(int byte, int minimum, int maximum) {
  const float factor = static_cast<float>((double(maximum) - minimum) / 255.0);
  return minimum + static_cast<int>(factor * static_cast<float>(byte));
}

// Plays a deck from frame 0 with a fresh equaliser history and returns what it renders.
std::vector<std::int16_t> renderFromStart(Deck& deck) {
  deck.resetEqualiser();
  deck.setPosition(0);
  std::vector<std::int16_t> samples(kBlockFrames * 2 * kRenderedBlocks);
  for (int block = 0; block < kRenderedBlocks; ++block) {
    deck.voice().renderBlock({samples.data() + block * kBlockFrames * 2, kBlockFrames});
  }
  return samples;
}

bool silent(const std::vector<std::int16_t>& samples) {
  return std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; });
}

class MixerChannelTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(app.create()); }

  MixerChannel& channelA() { return app.mixerChannel(Application::kDeckA); }
  MixEngine& engine() { return *app.engine(); }

  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
};

TEST_F(MixerChannelTest, SetKnobStepsCentresAndMapsControllerBytesOnEveryKnob) {
  for (int code = MixerChannel::kHigh; code <= MixerChannel::kBalance; ++code) {
    SCOPED_TRACE(code);
    BoundedValue& knob = *channelA().knob(code);
    channelA().setKnob(code, 0);
    EXPECT_EQ(knob.value(), knob.minimum());
    channelA().setKnob(code, MixerChannel::kKnobStepDown);  // already at the end: stays
    EXPECT_EQ(knob.value(), knob.minimum());
    channelA().setKnob(code, MixerChannel::kKnobStepUp);
    EXPECT_EQ(knob.value(), knob.minimum() + 1);
    channelA().setKnob(code, 255);
    EXPECT_EQ(knob.value(), knob.maximum());
    channelA().setKnob(code, MixerChannel::kKnobStepUp);
    EXPECT_EQ(knob.value(), knob.maximum());
    channelA().setKnob(code, MixerChannel::kKnobStepDown);
    EXPECT_EQ(knob.value(), knob.maximum() - 1);
    channelA().setKnob(code, 100);
    EXPECT_EQ(knob.value(), byteRecipe(100, knob.minimum(), knob.maximum()));
    const int mapped = knob.value();
    channelA().setKnob(code, 259);  // above the special values: nothing
    channelA().setKnob(code, 100000);
    EXPECT_EQ(knob.value(), mapped);
    channelA().setKnob(code, -5);  // below the byte range: the minimum, like a clamped byte
    EXPECT_EQ(knob.value(), knob.minimum());
  }
  // The centre is the middle of the range, which is each knob's neutral setting.
  for (int code : {0, 1, 2, 3, 4}) channelA().setKnob(code, MixerChannel::kKnobCentre);
  EXPECT_EQ(channelA().band(MixerChannel::kHighBand).value(), 127);
  EXPECT_EQ(channelA().band(MixerChannel::kLowBand).value(), 127);
  EXPECT_EQ(channelA().gain().value(), MixerChannel::kUnityGainPercent);
  EXPECT_EQ(channelA().balance().value(), 0);
  // A mid byte lands where the single-precision recipe puts it, not where exact arithmetic would.
  channelA().setKnob(MixerChannel::kGain, 127);
  EXPECT_EQ(channelA().gain().value(), 99);

  // Codes outside 0..4 change no knob.
  channelA().setKnob(MixerChannel::kGain, 77);
  for (int code : {-1, 5, 256}) channelA().setKnob(code, 0);
  EXPECT_EQ(channelA().gain().value(), byteRecipe(77, 0, 200));
  EXPECT_EQ(channelA().band(MixerChannel::kMidBand).value(), 127);
  EXPECT_EQ(channelA().knob(5), nullptr);
  EXPECT_EQ(channelA().knob(-1), nullptr);
}

TEST_F(MixerChannelTest, KillSwitchesFlipAndIgnoreUnknownStatesAndBands) {
  BoundedValue& high = channelA().kill(MixerChannel::kHighBand);
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kKillOn);
  EXPECT_EQ(high.value(), 1);
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kKillOn);
  EXPECT_EQ(high.value(), 1);
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kFlip);
  EXPECT_EQ(high.value(), 0);
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kFlip);
  EXPECT_EQ(high.value(), 1);
  for (int state : {3, -1, 255}) channelA().setKill(MixerChannel::kHighBand, state);
  EXPECT_EQ(high.value(), 1);
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kKillOff);
  EXPECT_EQ(high.value(), 0);

  // GAIN (3) has no kill switch: nothing changes anywhere.
  for (int band : {3, 4, -1}) channelA().setKill(band, MixerChannel::kKillOn);
  for (int band = 0; band < MixerChannel::kBandCount; ++band) {
    EXPECT_EQ(channelA().kill(MixerChannel::Band(band)).value(), 0) << band;
  }
  channelA().setKill(MixerChannel::kLowBand, MixerChannel::kFlip);
  EXPECT_EQ(channelA().kill(MixerChannel::kLowBand).value(), 1);
  EXPECT_EQ(channelA().kill(MixerChannel::kMidBand).value(), 0);
}

TEST_F(MixerChannelTest, VolumeStepsAndMapsOntoTheApplicationsFaderAndReachesTheEngine) {
  MixerChannel& channel = channelA();
  EXPECT_EQ(&channel.volume(), &app.volume(Application::kDeckA));
  EXPECT_EQ(&app.mixerChannel(Application::kDeckB).volume(), &app.volume(Application::kDeckB));
  EXPECT_EQ(channel.volume().value(), 60);
  channel.setVolume(MixerChannel::kVolumeStepUp);  // at the top already
  EXPECT_EQ(channel.volume().value(), 60);
  channel.setVolume(MixerChannel::kVolumeStepDown);
  EXPECT_EQ(channel.volume().value(), 59);
  EXPECT_EQ(engine().volumeA(), 58409u);
  channel.setVolume(0);
  EXPECT_EQ(channel.volume().value(), 0);
  EXPECT_EQ(engine().volumeA(), 0u);
  channel.setVolume(MixerChannel::kVolumeStepDown);
  EXPECT_EQ(channel.volume().value(), 0);
  channel.setVolume(MixerChannel::kVolumeStepUp);
  EXPECT_EQ(channel.volume().value(), 1);
  channel.setVolume(128);
  EXPECT_EQ(channel.volume().value(), byteRecipe(128, 0, 60));
  EXPECT_EQ(engine().volumeA(), std::uint32_t(dBTable[std::size_t(byteRecipe(128, 0, 60))]));
  channel.setVolume(255);
  EXPECT_EQ(channel.volume().value(), 60);
  channel.setVolume(-7);
  EXPECT_EQ(channel.volume().value(), 0);
  channel.setVolume(100000);
  EXPECT_EQ(channel.volume().value(), 60);
  EXPECT_EQ(engine().volumeB(), 65536u);  // deck B's fader never moved
}

TEST_F(MixerChannelTest, MuteSilencesTheDeckInTheEngineWhileTheFaderStays) {
  MixerChannel& channel = channelA();
  app.volume(Application::kDeckA).setValue(54);
  const std::uint32_t faderGain = std::uint32_t(dBTable[54]);
  ASSERT_EQ(engine().volumeA(), faderGain);

  channel.setMute(MixerChannel::kMuteOn);
  EXPECT_TRUE(channel.muted());
  EXPECT_EQ(engine().volumeA(), 0u);
  EXPECT_EQ(app.volume(Application::kDeckA).value(), 54);
  EXPECT_EQ(engine().volumeB(), 65536u);

  // Moving the fader while muted keeps the deck silent; unmuting brings the fader's new gain.
  app.volume(Application::kDeckA).setValue(50);
  EXPECT_EQ(engine().volumeA(), 0u);
  // A restart of the audio keeps the mute.
  ASSERT_TRUE(app.appStartAudio());
  EXPECT_EQ(engine().volumeA(), 0u);
  channel.setMute(MixerChannel::kFlip);  // MUTE ON then TOGGLE: the deck sounds again
  EXPECT_FALSE(channel.muted());
  EXPECT_EQ(engine().volumeA(), std::uint32_t(dBTable[50]));

  channel.setMute(MixerChannel::kFlip);
  EXPECT_EQ(engine().volumeA(), 0u);
  for (int value : {3, -1, 100}) channel.setMute(value);
  EXPECT_TRUE(channel.muted());
  channel.setMute(MixerChannel::kMuteOff);
  EXPECT_FALSE(channel.muted());
  EXPECT_EQ(engine().volumeA(), std::uint32_t(dBTable[50]));
  channel.setMute(MixerChannel::kMuteOff);
  EXPECT_EQ(engine().volumeA(), std::uint32_t(dBTable[50]));
}

TEST_F(MixerChannelTest, AutoGainSetsTheGainKnobFromThePeakPerModeAndLeavesItForPeakZero) {
  Deck& deck = app.deck(Application::kDeckA);
  BoundedValue& gain = channelA().gain();
  struct Case {
    int mode;
    int peak;
    int percent;
  };
  // 32768 / peak × share × 100, truncated; held to the knob's 200 %.
  const Case cases[] = {{0, 20000, 100}, {1, 20000, 163}, {2, 20000, 81}, {3, 20000, 40}, {1, 32767, 100},
                        {2, 16384, 100}, {3, 16384, 50},  {1, 16384, 200}, {1, 1, 200},    {0, 1, 100}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << "mode " << c.mode << " peak " << c.peak);
    gain.setValue(137);
    app.settings().setValue(kAutoGainSettingId, c.mode);
    Q_EMIT deck.peakChanged(c.peak);
    EXPECT_EQ(gain.value(), c.percent);
    EXPECT_EQ(deck.volumePercent(), c.percent);
  }
  // A silent track's peak would normalise to infinity: the gain stays as it is, in every mode.
  for (int mode = 0; mode < kAutoGainModes; ++mode) {
    app.settings().setValue(kAutoGainSettingId, mode);
    gain.setValue(137);
    Q_EMIT deck.peakChanged(0);
    EXPECT_EQ(gain.value(), 137) << mode;
  }
  // Deck B's peak sets deck B's gain only.
  app.settings().setValue(kAutoGainSettingId, 3);
  Q_EMIT app.deck(Application::kDeckB).peakChanged(16384);
  EXPECT_EQ(app.mixerChannel(Application::kDeckB).gain().value(), 50);
  EXPECT_EQ(gain.value(), 137);
}

TEST_F(MixerChannelTest, KnobsKillsGainAndBalanceReachTheDecksRender) {
  const QString track = testing::makeTrack(dirs.path(""), "channel.wav", 124, {"--seconds", "2"});
  ASSERT_FALSE(track.isEmpty());
  app.settings().setValue(kAutoGainSettingId, 2);
  Deck& deck = app.deck(Application::kDeckA);
  Deck reference{0};  // the same track, set directly, as the channel should have set deck A
  reference.prepare(kBlockFrames);
  ASSERT_TRUE(deck.loadEntry(TrackEntry::fromPath(track)));
  ASSERT_TRUE(reference.loadEntry(TrackEntry::fromPath(track)));
  ASSERT_TRUE(testing::waitFor([&] { return !deck.busy() && !reference.busy(); }));
  ASSERT_TRUE(deck.play() && reference.play());

  // The load published the peak: auto gain (-3 dB) set the knob and the deck follows it.
  const int peak = deck.sample()->peak;
  ASSERT_GT(peak, 0);
  const int expectedPercent = int(std::min(32768.0 / peak * 0.5 * 100.0, 200.0));
  EXPECT_EQ(channelA().gain().value(), expectedPercent);
  EXPECT_EQ(deck.volumePercent(), expectedPercent);
  channelA().setKnob(MixerChannel::kGain, MixerChannel::kKnobCentre);
  EXPECT_EQ(deck.voiceSnapshot().volume, 1.0f);

  const std::vector<std::int16_t> flat = renderFromStart(deck);
  ASSERT_FALSE(silent(flat));
  EXPECT_EQ(flat, renderFromStart(reference));

  // HI at 0 cuts the high shelf to its lower limit: the deck renders what a deck with that band
  // knob renders, and no longer the flat signal.
  channelA().setKnob(MixerChannel::kHigh, 0);
  reference.setBandKnobs(0, 127, 127);
  const std::vector<std::int16_t> highCut = renderFromStart(deck);
  EXPECT_NE(highCut, flat);
  EXPECT_EQ(highCut, renderFromStart(reference));
  channelA().setKnob(MixerChannel::kMid, 255);
  channelA().setKnob(MixerChannel::kLow, 40);
  reference.setBandKnobs(0, 255, 40);
  EXPECT_EQ(renderFromStart(deck), renderFromStart(reference));

  // One kill swaps a band for its kill filter; all three silence the deck.
  channelA().setKill(MixerChannel::kMidBand, MixerChannel::kKillOn);
  reference.setKills(false, true, false);
  EXPECT_EQ(renderFromStart(deck), renderFromStart(reference));
  channelA().setKill(MixerChannel::kHighBand, MixerChannel::kKillOn);
  channelA().setKill(MixerChannel::kLowBand, MixerChannel::kKillOn);
  EXPECT_TRUE(silent(renderFromStart(deck)));
  for (int band = 0; band < MixerChannel::kBandCount; ++band) channelA().setKill(band, MixerChannel::kFlip);
  reference.setKills(false, false, false);
  EXPECT_EQ(renderFromStart(deck), renderFromStart(reference));

  // GAIN is the deck's volume in percent; BALANCE right quietens the left channel away.
  channelA().gain().setValue(150);
  EXPECT_EQ(deck.voiceSnapshot().volume, 1.5f);
  channelA().setKnob(MixerChannel::kBalance, 255);
  EXPECT_EQ(deck.voiceSnapshot().balance, -32767);
  const std::vector<std::int16_t> right = renderFromStart(deck);
  bool leftSilent = true;
  bool rightSounds = false;
  for (std::size_t i = 0; i < right.size(); i += 2) {
    leftSilent = leftSilent && right[i] == 0;
    rightSounds = rightSounds || right[i + 1] != 0;
  }
  EXPECT_TRUE(leftSilent);
  EXPECT_TRUE(rightSounds);
  channelA().setKnob(MixerChannel::kBalance, 0);
  EXPECT_EQ(deck.voiceSnapshot().balance, 32767);
  channelA().balance().setValue(-30);
  EXPECT_EQ(deck.voiceSnapshot().balance, 16383);
}

}  // namespace
}  // namespace gm

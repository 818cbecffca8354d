#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include <QFile>
#include <QTemporaryDir>

#include "PluginTestFiles.h"
#include "plugins/detectors/TempoAnalysis.h"

namespace gm::testing {
namespace {

using plugin::TempoAnalysis;

// A click track: a short decaying burst on both channels every `periodFrames` frames.
std::vector<std::int16_t> clickTrack(std::size_t frames, double periodFrames) {
  std::vector<std::int16_t> pcm(frames * 2, 0);
  for (double beat = 0; beat < double(frames); beat += periodFrames) {
    const std::size_t start = std::size_t(beat);
    for (std::size_t k = 0; k < 600 && start + k < frames; ++k) {
      const double value = 20000.0 * std::exp(-double(k) / 120.0) * ((k / 8) % 2 == 0 ? 1 : -1);
      pcm[2 * (start + k)] = pcm[2 * (start + k) + 1] = std::int16_t(value);
    }
  }
  return pcm;
}

class PulsetrakTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(detector.loaded()); }

  QTemporaryDir dir;
  std::string prefs = dir.filePath("BasicDetector.prefs").toStdString();
  RawPlugin detector{builtPlugin("BeatDetectors/Pulsetrak.detector"), prefs};
};

TEST_F(PulsetrakTest, LagsGiveTheWorkedTempi) {
  EXPECT_EQ(TempoAnalysis::tempoFromLag(441), 6000);
  EXPECT_EQ(TempoAnalysis::tempoFromLag(220), 12027);
  EXPECT_EQ(TempoAnalysis::tempoFromLag(221), 11972);
  EXPECT_EQ(TempoAnalysis::tempoFromLag(112), 23624);
  EXPECT_EQ(TempoAnalysis::tempoFromLag(111), 0) << "23837 is above the highest tempo";
  EXPECT_EQ(TempoAnalysis::tempoFromLag(110), 0);
  EXPECT_EQ(TempoAnalysis::tempoFromLag(442), 0);
}

TEST_F(PulsetrakTest, ClickTrackAt120BpmOverTheAbi) {
  const std::vector<std::int16_t> track = clickTrack(44100 * 60, 22050);
  const std::uint32_t tempo = detector.detectTempo(track.data(), std::uint32_t(track.size() / 2));
  EXPECT_GE(tempo, 11972u);
  EXPECT_LE(tempo, 12027u);
  // Each stretch alone says 12027 or 11972.
  TempoAnalysis analysis;
  for (std::size_t start : {0u, 44100u * 7 + 1, 44100u * 20}) {
    const std::int32_t stretch = analysis.stretchTempo(track.data() + start, 2);
    EXPECT_TRUE(stretch == 12027 || stretch == 11972) << start << ": " << stretch;
  }
}

TEST_F(PulsetrakTest, NothingToDetect) {
  const std::vector<std::int16_t> silence(2 * 44100 * 30, 0);
  EXPECT_EQ(detector.detectTempo(silence.data(), 44100 * 30), 0u);
  EXPECT_EQ(detector.detectTempo(nullptr, 44100 * 30), 0u);
  EXPECT_EQ(detector.detectTempo(silence.data(), 0), 0u);

  // Exactly L × 11025 frames: too short. Just above it, no stretch fits the track, and none may be
  // read past its end (the buffers are exactly the track's size).
  const std::vector<std::int16_t> exact = clickTrack(22050, 22050.0 / 4);
  EXPECT_EQ(detector.detectTempo(exact.data(), 22050), 0u);
  const std::vector<std::int16_t> above = clickTrack(22051, 22050.0 / 4);
  EXPECT_EQ(detector.detectTempo(above.data(), 22051), 0u);

  // A short track where only the first stretches fit still finds its tempo from those.
  const std::vector<std::int16_t> shortTrack = clickTrack(100000, 22050);
  const std::uint32_t tempo = detector.detectTempo(shortTrack.data(), 100000);
  EXPECT_GE(tempo, 11972u);
  EXPECT_LE(tempo, 12027u);

  // Disabled: 0 at once, without touching the samples (a tiny buffer claims to be ten minutes).
  detector.set({{GM_ATTR_ENABLED, 0}});
  const std::array<std::int16_t, 8> tiny{};
  EXPECT_EQ(detector.detectTempo(tiny.data(), 44100 * 600), 0u);
}

TEST_F(PulsetrakTest, OutliersAreDroppedAndHalfTempoEstimatesDoubled) {
  std::vector<std::int32_t> halfOne = {12000, 12000, 12000, 12000, 12000, 12000, 12000, 12000, 12000, 6000};
  EXPECT_EQ(TempoAnalysis::combine(halfOne), 12000u);
  EXPECT_EQ(halfOne.back(), 12000);

  // 2 × 5000 is not within 0.9..1.1 of the average: dropped instead.
  std::vector<std::int32_t> tooSlow = {12000, 12000, 12000, 12000, 12000, 12000, 12000, 12000, 12000, 5000};
  EXPECT_EQ(TempoAnalysis::combine(tooSlow), 12000u);
  EXPECT_EQ(tooSlow.back(), 0);

  // The first pass drops everything above 1.1 × the plain average.
  std::vector<std::int32_t> fast = {10000, 10000, 10000, 14000, 0};
  EXPECT_EQ(TempoAnalysis::combine(fast), 10000u);
  EXPECT_EQ(fast[3], 0);
  // 11500 is above 1.1 × 10375 (the plain average) but below 1.2 ×: still dropped.
  std::vector<std::int32_t> slightlyFast = {10000, 10000, 10000, 11500};
  EXPECT_EQ(TempoAnalysis::combine(slightlyFast), 10000u);
  EXPECT_EQ(slightlyFast[3], 0);

  std::vector<std::int32_t> none = {0, 0, 0};
  EXPECT_EQ(TempoAnalysis::combine(none), 0u);
  std::vector<std::int32_t> one = {12345};
  EXPECT_EQ(TempoAnalysis::combine(one), 12345u);
}

TEST_F(PulsetrakTest, StepsAreLimitedAndOneStepUsesTheStartOfTheTrack) {
  std::vector<std::int16_t> track = clickTrack(44100 * 40, 22050);
  const std::uint32_t frames = std::uint32_t(track.size() / 2);
  EXPECT_EQ(TempoAnalysis::detect(track.data(), frames, 40, 2), TempoAnalysis::detect(track.data(), frames, 30, 2));
  EXPECT_EQ(TempoAnalysis::detect(track.data(), frames, 0, 2), 0u);
  EXPECT_EQ(TempoAnalysis::detect(track.data(), frames, 5, 0), 0u);
  EXPECT_EQ(TempoAnalysis::detect(track.data(), frames, 5, -3), 0u);

  // One step: only the first L seconds count. Clicks at 100 BPM there, 120 BPM after.
  const std::vector<std::int16_t> slow = clickTrack(44100 * 3, 44100 * 0.6);
  std::copy(slow.begin(), slow.end(), track.begin());
  TempoAnalysis analysis;
  const std::int32_t first = analysis.stretchTempo(track.data(), 2);
  EXPECT_NEAR(first, 10000, 60);
  EXPECT_EQ(TempoAnalysis::detect(track.data(), frames, 1, 2), std::uint32_t(first));
}

TEST_F(PulsetrakTest, SettingsPersistAndAStaleInstanceDoesNotOverwriteThemOnDisposal) {
  {
    RawPlugin deckDetector(builtPlugin("BeatDetectors/Pulsetrak.detector"), prefs);
    detector.set({{GM_DETECTOR_STEPS, 25}});
    detector.set({{GM_DETECTOR_LENGTH, 4}});
    EXPECT_EQ(deckDetector.integer(GM_DETECTOR_STEPS), 15) << "each instance keeps its own copy";
  }
  RawPlugin reread(builtPlugin("BeatDetectors/Pulsetrak.detector"), prefs);
  EXPECT_EQ(reread.integer(GM_DETECTOR_STEPS), 25);
  EXPECT_EQ(reread.integer(GM_DETECTOR_LENGTH), 4);
  EXPECT_STREQ(reread.text(GM_ATTR_NAME), "Pulsetrak Detector");
  EXPECT_STREQ(reread.pluginClass().version_string, "$VER: Pulsetrak.detector 1.1 (19.11.14)");
  EXPECT_EQ(reread.pluginClass().kind, std::uint32_t(GM_PLUGIN_DETECTOR));
  EXPECT_EQ(reread.panel(GM_ATTR_CONTROLS_PANEL), nullptr);
  const gm_panel* panel = reread.panel(GM_ATTR_PREFS_PANEL);
  ASSERT_NE(panel, nullptr);
  ASSERT_EQ(panel->row_count, 7u);
  EXPECT_EQ(panel->rows[4].attribute, GM_DETECTOR_LENGTH);
  EXPECT_EQ(panel->rows[4].initial_from, std::uint32_t(GM_INITIAL_CURRENT));
  EXPECT_STREQ(panel->rows[5].format, "%ld steps");
  EXPECT_STREQ(panel->rows[5].help, "Number of sampling steps done over the music.");
}

}  // namespace
}  // namespace gm::testing

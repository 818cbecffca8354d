#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <numbers>

#include <QTemporaryDir>

#include "PluginTestFiles.h"
#include "plugins/filters/Biquad.h"

namespace gm::testing {
namespace {

using plugin::BiquadCoefficients;
using plugin::BiquadHistory;
using plugin::BiquadType;

// A few seconds of something music-like: bass, a chord and a high line, both channels different.
std::vector<std::int16_t> music(std::size_t frames) {
  std::vector<std::int16_t> pcm(frames * 2);
  for (std::size_t frame = 0; frame < frames; ++frame) {
    const double t = double(frame) / 44100.0;
    const double left = 6000 * std::sin(2 * std::numbers::pi * 110 * t) + 4000 * std::sin(2 * std::numbers::pi * 440 * t) +
                        2500 * std::sin(2 * std::numbers::pi * 1760 * t);
    const double right = 5000 * std::sin(2 * std::numbers::pi * 220 * t) + 3000 * std::sin(2 * std::numbers::pi * 660 * t);
    pcm[2 * frame] = std::int16_t(left);
    pcm[2 * frame + 1] = std::int16_t(right);
  }
  return pcm;
}

double rms(const std::int16_t* samples, std::size_t count) {
  double sum = 0;
  for (std::size_t index = 0; index < count; ++index) sum += double(samples[index]) * samples[index];
  return std::sqrt(sum / double(count));
}

void processInBlocks(RawPlugin& plugin, std::vector<std::int16_t>& pcm, std::size_t blockFrames) {
  for (std::size_t frame = 0; frame < pcm.size() / 2; frame += blockFrames) {
    const std::size_t frames = std::min(blockFrames, pcm.size() / 2 - frame);
    plugin.process(pcm.data() + 2 * frame, std::uint32_t(frames * 4));
  }
}

TEST(FilterPluginTest, DefaultsPassMusicAlmostUnchanged) {
  QTemporaryDir dir;
  for (const char* file : {"Filters/Mufflex.filter", "Filters/Thinex.filter"}) {
    RawPlugin filter(builtPlugin(file), dir.filePath("f.prefs").toStdString());
    ASSERT_TRUE(filter.loaded()) << file;
    const std::vector<std::int16_t> in = music(44100);
    std::vector<std::int16_t> out = in;
    processInBlocks(filter, out, 512);
    // Past the first 0.1 s (the high-pass settling), level and waveform stay close to the input.
    const std::size_t skip = 2 * 4410;
    const double ratio = rms(out.data() + skip, out.size() - skip) / rms(in.data() + skip, in.size() - skip);
    EXPECT_NEAR(ratio, 1.0, 0.03) << file;
    double dot = 0, inEnergy = 0, outEnergy = 0;
    for (std::size_t index = skip; index < in.size(); ++index) {
      dot += double(in[index]) * out[index];
      inEnergy += double(in[index]) * in[index];
      outEnergy += double(out[index]) * out[index];
    }
    EXPECT_GT(dot / std::sqrt(inEnergy * outEnergy), 0.95) << file;  // the high-pass shifts the bass a little
  }
}

TEST(FilterPluginTest, HighResonanceOvershootIsClampedNotWrapped) {
  QTemporaryDir dir;
  RawPlugin mufflex(builtPlugin("Filters/Mufflex.filter"), dir.filePath("m.prefs").toStdString());
  ASSERT_TRUE(mufflex.loaded());
  EXPECT_EQ(mufflex.set({{GM_FILTER_FREQUENCY, 1000}}), 1u);
  EXPECT_EQ(mufflex.set({{GM_FILTER_RESONANCE, 2000}}), 1u);
  std::vector<std::int16_t> square(2 * 4410);
  for (std::size_t frame = 0; frame < square.size() / 2; ++frame) {
    const std::int16_t value = (frame / 220) % 2 == 0 ? 32767 : -32768;
    square[2 * frame] = square[2 * frame + 1] = value;
  }
  std::vector<std::int16_t> out = square;
  processInBlocks(mufflex, out, 441);

  // The same section in float, unclamped: wherever it leaves the 16-bit range the plug-in must
  // sit at the limit, on the same side.
  const BiquadCoefficients k = plugin::designBiquad(BiquadType::LowPass, 1000, 20.0f);
  BiquadHistory history;
  int overshoots = 0;
  for (std::size_t frame = 0; frame < square.size() / 2; ++frame) {
    const float y = plugin::stepBiquad(k, history, float(square[2 * frame]));
    if (y > 32767.0f) {
      ++overshoots;
      EXPECT_EQ(out[2 * frame], 32767) << frame;
    } else if (y < -32768.0f) {
      ++overshoots;
      EXPECT_EQ(out[2 * frame], -32768) << frame;
    } else {
      EXPECT_EQ(out[2 * frame], std::int16_t(y)) << frame;
    }
    EXPECT_EQ(out[2 * frame], out[2 * frame + 1]);
  }
  EXPECT_GT(overshoots, 100);
}

TEST(FilterPluginTest, ConversionTruncatesTowardZero) {
  EXPECT_EQ(plugin::sampleFromFloat(-0.7f), 0);
  EXPECT_EQ(plugin::sampleFromFloat(-1.5f), -1);
  EXPECT_EQ(plugin::sampleFromFloat(1.9f), 1);
  EXPECT_EQ(plugin::sampleFromFloat(32767.9f), 32767);
  EXPECT_EQ(plugin::sampleFromFloat(-32768.9f), -32768);
  EXPECT_EQ(plugin::sampleFromFloat(1e30f), 32767);
  EXPECT_EQ(plugin::sampleFromFloat(std::nanf("")), 0);
}

TEST(FilterPluginTest, ParameterChangeKeepsTheHistory) {
  QTemporaryDir dir;
  RawPlugin mufflex(builtPlugin("Filters/Mufflex.filter"), dir.filePath("m.prefs").toStdString());
  ASSERT_TRUE(mufflex.loaded());
  std::vector<std::int16_t> pcm = music(2048);
  const std::vector<std::int16_t> in = pcm;
  mufflex.process(pcm.data(), 1024 * 4);
  mufflex.set({{GM_FILTER_FREQUENCY, 800}});
  mufflex.process(pcm.data() + 2048, 1024 * 4);

  BiquadHistory left;
  BiquadHistory right;
  BiquadCoefficients k = plugin::designBiquad(BiquadType::LowPass, 20000, 0.5f);
  for (std::size_t frame = 0; frame < 2048; ++frame) {
    if (frame == 1024) k = plugin::designBiquad(BiquadType::LowPass, 800, 0.5f);
    ASSERT_EQ(pcm[2 * frame], plugin::sampleFromFloat(plugin::stepBiquad(k, left, float(in[2 * frame])))) << frame;
    ASSERT_EQ(pcm[2 * frame + 1], plugin::sampleFromFloat(plugin::stepBiquad(k, right, float(in[2 * frame + 1]))));
  }
}

TEST(FilterPluginTest, DegenerateResonanceDoesNotSilenceTheFilterForGood) {
  QTemporaryDir dir;
  RawPlugin mufflex(builtPlugin("Filters/Mufflex.filter"), dir.filePath("m.prefs").toStdString());
  ASSERT_TRUE(mufflex.loaded());
  std::vector<std::int16_t> pcm = music(4096);
  mufflex.set({{GM_FILTER_RESONANCE, 0}});  // only reachable past the slider: Q = 0
  mufflex.process(pcm.data(), 1024 * 4);
  mufflex.set({{GM_FILTER_RESONANCE, 50}});
  std::vector<std::int16_t> after = music(4096);
  mufflex.process(after.data(), 4096 * 4);
  EXPECT_GT(rms(after.data() + 2048, after.size() - 2048), 1000.0);
}

TEST(FilterPluginTest, LowAndHighPassDifferOnlyInTheNumerator) {
  const BiquadCoefficients low = plugin::designBiquad(BiquadType::LowPass, 1000, 0.7f);
  const BiquadCoefficients high = plugin::designBiquad(BiquadType::HighPass, 1000, 0.7f);
  EXPECT_EQ(low.a0, high.a0);
  EXPECT_EQ(low.a1, high.a1);
  EXPECT_EQ(low.a2, high.a2);
  // DC passes the low-pass and is removed by the high-pass; Nyquist the other way round.
  EXPECT_NEAR((low.b0 + low.b1 + low.b2) / (low.a0 + low.a1 + low.a2), 1.0, 1e-5);
  EXPECT_NEAR(high.b0 + high.b1 + high.b2, 0.0, 1e-6);
  EXPECT_NEAR(low.b0 - low.b1 + low.b2, 0.0, 1e-6);
}

TEST(FilterPluginTest, ProtocolTagListsParameterMethodsEventsAndVersions) {
  QTemporaryDir dir;
  const std::string prefs = dir.filePath("t.prefs").toStdString();
  RawPlugin thinex(builtPlugin("Filters/Thinex.filter"), prefs);
  ASSERT_TRUE(thinex.loaded());
  EXPECT_STREQ(thinex.text(GM_ATTR_NAME), "Thinex");
  EXPECT_STREQ(thinex.pluginClass().version_string, "$VER: Thinex.filter 1.2 (19.11.14)");
  EXPECT_EQ(thinex.integer(GM_ATTR_VERSION), 1);
  EXPECT_EQ(thinex.integer(GM_ATTR_REVISION), 2);
  EXPECT_EQ(thinex.integer(GM_FILTER_FREQUENCY), 20);

  // A parameter ends the list: the enabled flag after it is ignored (and nothing is written).
  EXPECT_EQ(thinex.set({{GM_FILTER_FREQUENCY, 300}, {GM_ATTR_ENABLED, 0}}), 1u);
  EXPECT_EQ(thinex.integer(GM_FILTER_FREQUENCY), 300);
  EXPECT_EQ(thinex.integer(GM_ATTR_ENABLED), 1);
  EXPECT_EQ(thinex.set({{0x12345678u, 1}, {GM_FILTER_RESONANCE, 200}, {GM_FILTER_FREQUENCY, 1}}), 2u);
  EXPECT_EQ(thinex.integer(GM_FILTER_FREQUENCY), 300);

  // The parameter method moves the slider only once the controls panel exists.
  thinex.callParameter(GM_FILTER_FREQUENCY, 32768);
  EXPECT_TRUE(thinex.moved.empty());
  const gm_panel* controls = thinex.panel(GM_ATTR_CONTROLS_PANEL);
  ASSERT_NE(controls, nullptr);
  ASSERT_EQ(controls->row_count, 2u);
  EXPECT_EQ(controls->rows[0].initial, 20) << "sliders start at the default";
  thinex.callParameter(GM_FILTER_FREQUENCY, 32768);
  thinex.callParameter(GM_FILTER_RESONANCE, 65536);
  thinex.callParameter(GM_FILTER_RESONANCE, 33);
  ASSERT_EQ(thinex.moved.size(), 3u);
  EXPECT_EQ(thinex.moved[0].attribute, GM_FILTER_FREQUENCY);
  EXPECT_EQ(thinex.moved[0].value, 20 + 9990);
  EXPECT_EQ(thinex.moved[1].value, 2000);
  EXPECT_EQ(thinex.moved[2].value, 50) << "truncated: 1950 × 33 / 65536 = 0.98";
  EXPECT_EQ(thinex.integer(GM_FILTER_FREQUENCY), 300) << "moving asks the host; it sets nothing itself";

  thinex.registerEvents("Filter B");
  ASSERT_EQ(thinex.registrations.size(), 2u);
  EXPECT_EQ(thinex.registrations[0].label, "Thinex Frequency:");
  EXPECT_EQ(thinex.registrations[1].label, "Thinex Resonance:");
  for (const auto& registration : thinex.registrations) {
    EXPECT_EQ(registration.zone, "Filter B");
    EXPECT_EQ(registration.type, GM_EVENT_ANALOG);
    EXPECT_EQ(registration.target, thinex.instance());
  }
  EXPECT_EQ(thinex.registrations[0].method, GM_FILTER_FREQUENCY);
  EXPECT_EQ(thinex.registrations[1].method, GM_FILTER_RESONANCE);

  RawPlugin mufflex(builtPlugin("Filters/Mufflex.filter"), prefs);
  EXPECT_STREQ(mufflex.pluginClass().version_string, "$VER: Mufflex.filter 1.1 (19.11.14)");
  EXPECT_EQ(mufflex.pluginClass().revision, 1u);
  EXPECT_STREQ(mufflex.pluginClass().prefs_name, "Filters/Mufflex.prefs");
  EXPECT_EQ(mufflex.panel(GM_ATTR_CONTROLS_PANEL)->rows[0].initial, 20000);
  const gm_panel* prefsPanel = mufflex.panel(GM_ATTR_PREFS_PANEL);
  ASSERT_NE(prefsPanel, nullptr);
  EXPECT_EQ(prefsPanel->rows[1].kind, std::uint32_t(GM_ROW_CHECK));
  EXPECT_STREQ(prefsPanel->rows[1].label, "Use plugin");
  EXPECT_EQ(mufflex.detectTempo(nullptr, 0), 0u) << "unknown methods answer 0";
}

}  // namespace
}  // namespace gm::testing

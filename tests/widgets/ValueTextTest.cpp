// The value texts DJs read off the sliders, and the frequency slider's logarithmic scale.

#include <cmath>

#include <gtest/gtest.h>

#include "widgets/ValueText.h"

using namespace gm;

namespace {

std::string text(const QString& s) { return s.toStdString(); }

}  // namespace

TEST(ValueText, TempoAndPercentShowHundredthsWithTwoDecimals) {
  EXPECT_EQ(text(value_text::bpm(12845)), "128.45 BPM");
  EXPECT_EQ(text(value_text::bpm(6000)), "60.00 BPM");
  EXPECT_EQ(text(value_text::bpm(12001)), "120.01 BPM");
  EXPECT_EQ(text(value_text::percent(125)), "1.25%");
  EXPECT_EQ(text(value_text::percent(0)), "0.00%");
  EXPECT_EQ(text(value_text::percent(-5)), "-0.05%");
}

TEST(ValueText, PitchIsTheDeviationFromTheTracksOwnSpeed) {
  EXPECT_EQ(text(value_text::pitch(9875)), "-1.25%");
  EXPECT_EQ(text(value_text::pitch(10000)), "0.00%");
  EXPECT_EQ(text(value_text::pitch(9999)), "-0.01%");
  EXPECT_EQ(text(value_text::pitch(10050)), "0.50%");
  EXPECT_EQ(text(value_text::pitch(11000)), "10.00%");
}

TEST(ValueText, PanShowsSideAndTruncatedShare) {
  EXPECT_EQ(text(value_text::pan(0)), "--");
  EXPECT_EQ(text(value_text::pan(-30)), "L  50%");
  EXPECT_EQ(text(value_text::pan(1)), "R   1%");    // 1.67 % truncated, not rounded
  EXPECT_EQ(text(value_text::pan(-1)), "L   1%");
  EXPECT_EQ(text(value_text::pan(59)), "R  98%");    // 98.3 %
  EXPECT_EQ(text(value_text::pan(60)), "R  100%");
  EXPECT_EQ(text(value_text::pan(-60)), "L  100%");
}

TEST(ValueText, GainCountsDecibelsDownFromUnity) {
  EXPECT_EQ(text(value_text::gain(0)), "--");
  EXPECT_EQ(text(value_text::gain(1)), "-59dB");
  EXPECT_EQ(text(value_text::gain(54)), "-6dB");
  EXPECT_EQ(text(value_text::gain(59)), "-1dB");
  EXPECT_EQ(text(value_text::gain(60)), "0dB");
  // Steps outside the table show the nearest end rather than a wrapped-around number.
  EXPECT_EQ(text(value_text::gain(-3)), "--");
  EXPECT_EQ(text(value_text::gain(75)), "0dB");
}

TEST(ValueText, FrequencyIsThePlainInteger) {
  EXPECT_EQ(text(value_text::frequency(8000)), "8000");
  EXPECT_EQ(text(value_text::frequency(40)), "40");
}

TEST(LogScale, EndsAndMiddleOfTheRange) {
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(40, 40, 400), 0.0);
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(400, 40, 400), 1.0);
  EXPECT_EQ(value_text::logValueAt(0.0, 40, 400), 40);
  EXPECT_EQ(value_text::logValueAt(1.0, 40, 400), 400);
  // The middle is the geometric mean: sqrt(40 * 400) = 126.49, sqrt(1000 * 20000) = 4472.1.
  EXPECT_EQ(value_text::logValueAt(0.5, 40, 400), 126);
  EXPECT_EQ(value_text::logValueAt(0.5, 1000, 20000), 4472);
  // Every octave gets the same travel.
  EXPECT_NEAR(value_text::logPositionFraction(80, 40, 400), std::log(2.0) / std::log(10.0), 1e-12);
  EXPECT_NEAR(value_text::logPositionFraction(160, 40, 400) - value_text::logPositionFraction(80, 40, 400),
              value_text::logPositionFraction(80, 40, 400), 1e-12);
}

TEST(LogScale, EveryValueSurvivesTheRoundTrip) {
  for (int hz = 200; hz <= 4000; ++hz) {
    ASSERT_EQ(value_text::logValueAt(value_text::logPositionFraction(hz, 200, 4000), 200, 4000), hz) << hz;
  }
}

TEST(LogScale, OutOfRangeAndDegenerateInputsStayInside) {
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(10, 40, 400), 0.0);
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(-7, 40, 400), 0.0);
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(9000, 40, 400), 1.0);
  EXPECT_EQ(value_text::logValueAt(-0.5, 40, 400), 40);
  EXPECT_EQ(value_text::logValueAt(2.0, 40, 400), 400);
  EXPECT_EQ(value_text::logValueAt(std::nan(""), 40, 400), 40);
  // An empty range has one value; a range reaching zero or below has no logarithm and is linear.
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(50, 50, 50), 0.0);
  EXPECT_EQ(value_text::logValueAt(0.7, 50, 50), 50);
  EXPECT_DOUBLE_EQ(value_text::logPositionFraction(0, -100, 100), 0.5);
  EXPECT_EQ(value_text::logValueAt(0.25, 0, 1000), 250);
}

#include "widgets/ValueText.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "audio/DbTable.h"

namespace gm::value_text {

namespace {

constexpr int kPanFullSide = 60;
constexpr int kPitchUnity = 10000;

// printf-style formatting keeps the texts byte-for-byte as specified (space flags, widths).
template <typename... Args>
QString printed(const char* format, Args... args) {
  char text[64];
  std::snprintf(text, sizeof text, format, args...);
  return QString::fromLatin1(text);
}

}  // namespace

QString bpm(int hundredthsBpm) { return printed("%.2f BPM", hundredthsBpm / 100.0); }

QString percent(int hundredthsPercent) { return printed("%-.2f%%", hundredthsPercent / 100.0); }

QString pitch(int speedTimes10000) {
  return printed("%-.2f%%", (static_cast<double>(speedTimes10000) - kPitchUnity) / 100.0);
}

QString pan(int position) {
  if (position == 0) return QStringLiteral("--");
  // Integer division truncates towards zero, which is the truncation of the exact share.
  const long long magnitude = position < 0 ? -static_cast<long long>(position) : position;
  const long share = static_cast<long>(magnitude * 100 / kPanFullSide);
  return position < 0 ? printed("L % 3ld%%", share) : printed("R % 3ld%%", share);
}

QString gain(int step) {
  // Steps outside the table would print nonsense attenuations; show the nearest end instead,
  // as the gain itself does.
  const int clamped = std::clamp(step, 0, kDbTableMaxIndex);
  if (clamped == 0) return QStringLiteral("--");
  if (clamped == kDbTableMaxIndex) return QStringLiteral("0dB");
  return printed("-%ludB", static_cast<unsigned long>(kDbTableMaxIndex - clamped));
}

QString frequency(int hz) { return printed("%ld", static_cast<long>(hz)); }

double logPositionFraction(int value, int minimum, int maximum) {
  if (maximum <= minimum) return 0.0;
  const int clamped = std::clamp(value, minimum, maximum);
  if (minimum <= 0) {
    // No logarithm below 1: such a range can only be shown linearly.
    return (static_cast<double>(clamped) - minimum) / (static_cast<double>(maximum) - minimum);
  }
  const double logMinimum = std::log(static_cast<double>(minimum));
  const double logMaximum = std::log(static_cast<double>(maximum));
  return (std::log(static_cast<double>(clamped)) - logMinimum) / (logMaximum - logMinimum);
}

int logValueAt(double fraction, int minimum, int maximum) {
  if (maximum <= minimum) return minimum;
  const double p = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
  double value = 0.0;
  if (minimum <= 0) {
    value = minimum + p * (static_cast<double>(maximum) - minimum);
  } else {
    const double logMinimum = std::log(static_cast<double>(minimum));
    const double logMaximum = std::log(static_cast<double>(maximum));
    value = std::exp(logMinimum + p * (logMaximum - logMinimum));
  }
  return static_cast<int>(std::clamp(std::round(value), static_cast<double>(minimum), static_cast<double>(maximum)));
}

}  // namespace gm::value_text

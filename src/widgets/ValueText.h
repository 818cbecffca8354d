#pragma once
// How the mixer's integer-valued controls turn their value into the text a DJ reads, and the
// logarithmic value/position mapping of the frequency slider. Kept free of widgets so the exact
// texts and the mapping can be checked without a window.

#include <QString>

namespace gm::value_text {

// Hundredths of a beat per minute: 12845 -> "128.45 BPM".
QString bpm(int hundredthsBpm);
// Hundredths of a percent from zero: 125 -> "1.25%".
QString percent(int hundredthsPercent);
// Playback speed x 10000, shown as the deviation from the track's own speed: 9875 -> "-1.25%".
QString pitch(int speedTimes10000);
// -60..+60 with 0 = centre: "--" at the centre, else the side and the truncated share of the way
// to that side, -30 -> "L  50%", +1 -> "R   1%".
QString pan(int position);
// Steps of the 61-entry dB gain table, 60 = unity: 0 -> "--" (silence), 54 -> "-6dB", 60 -> "0dB".
QString gain(int step);
// A plain integer quantity such as a frequency in Hz.
QString frequency(int hz);

// Where `value` sits on a logarithmic scale from `minimum` to `maximum`, as a fraction 0..1.
double logPositionFraction(int value, int minimum, int maximum);
// The integer value at position `fraction` (0..1) of that scale, rounded to the nearest integer.
int logValueAt(double fraction, int minimum, int maximum);

}  // namespace gm::value_text

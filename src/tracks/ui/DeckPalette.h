#pragma once
// The colours of the deck views, in one place so that the scrolling waveform, the navigator and the
// panel read as one instrument: amber music on near-black, grey beats, a cyan cue, a green loop.

#include <QRgb>

namespace gm::deck_palette {

inline constexpr QRgb kBackground = qRgb(16, 16, 18);
inline constexpr QRgb kCentreLine = qRgb(40, 40, 44);
inline constexpr QRgb kWaveform = qRgb(255, 160, 40);
inline constexpr QRgb kWaveformPlayed = qRgb(128, 84, 30);
inline constexpr QRgb kPending = qRgb(52, 52, 58);
inline constexpr QRgb kBeat = qRgb(90, 90, 96);
inline constexpr QRgb kMainBeat = qRgb(185, 185, 195);
inline constexpr QRgb kPlayhead = qRgb(255, 255, 255);
inline constexpr QRgb kCue = qRgb(40, 200, 255);
inline constexpr QRgb kLoop = qRgb(60, 220, 90);
inline constexpr int kLoopFillAlpha = 60;
inline constexpr QRgb kText = qRgb(200, 200, 205);
inline constexpr QRgb kDimText = qRgb(110, 110, 118);
// The band curves, in the hues the colour waveform gives each band's blocks.
inline constexpr QRgb kBandHigh = qRgb(240, 80, 64);
inline constexpr QRgb kBandMid = qRgb(80, 220, 96);
inline constexpr QRgb kBandLow = qRgb(72, 132, 255);

}  // namespace gm::deck_palette

#pragma once
// One deck's mixer channel: the GAIN and BALANCE knobs, the HI, MID and LOW equaliser knobs with
// their kill switches, the volume fader and MUTE. Each control is a value model that drives the
// deck; the window's strip, the command port and mapped events all move these same models, so a
// change from any of them sounds and shows the same way.
//
// Ranges, chosen so that the middle of each knob (what a "reset" goes to) is its neutral setting:
// - GAIN: the deck's volume in percent, 0..200, unity 100 (0 dB). Auto gain is held to 200 %
//   (+6 dB) like the knob: a near-silent track is not blown up by its normalisation.
// - BALANCE: -60 (left) .. +60 (right), centre 0; the deck takes -32767..32767 where a positive
//   balance quietens the right channel, so the knob's sign is flipped on the way.
// - HI, MID, LOW: 0..255, 127 flat (the deck's band-knob scale).
// - kill switches and MUTE: 0 off, 1 on. The volume fader is the application's 0..60 model.

#include <array>
#include <optional>

#include <QObject>
#include <QString>

#include "core/BoundedValue.h"

namespace gm {

class Deck;
class Settings;

// The auto-gain mode: 0 keeps unity gain, 1..3 normalise the track's peak to 0, -3 or -6 dB.
inline const QString kAutoGainSettingId = QStringLiteral("OTOG");
inline constexpr int kAutoGainModes = 4;

class MixerChannel : public QObject {
  Q_OBJECT
 public:
  // Knob codes of setKnob(), in the command port's order.
  enum Knob { kHigh = 0, kMid = 1, kLow = 2, kGain = 3, kBalance = 4, kKnobCount = 5 };
  enum Band { kHighBand = 0, kMidBand = 1, kLowBand = 2, kBandCount = 3 };
  // Special values of setKnob().
  static constexpr int kKnobStepUp = 256;
  static constexpr int kKnobStepDown = 257;
  static constexpr int kKnobCentre = 258;
  // Special values of setVolume().
  static constexpr int kVolumeStepUp = -1;
  static constexpr int kVolumeStepDown = -2;
  // Values of setKill() and setMute().
  static constexpr int kKillOff = 0;
  static constexpr int kKillOn = 1;
  static constexpr int kFlip = 2;
  static constexpr int kMuteOn = 0;
  static constexpr int kMuteOff = 1;

  static constexpr int kGainMinPercent = 0;
  static constexpr int kGainMaxPercent = 200;
  static constexpr int kUnityGainPercent = 100;
  static constexpr int kBalanceLimit = 60;
  static constexpr int kDeckBalanceLimit = 32767;
  static constexpr int kFlatBand = 127;

  // `volume` is the application's fader model for this deck; deck, volume and settings must
  // outlive the channel. The deck is set to the controls' values at once.
  MixerChannel(Deck& deck, BoundedValue& volume, Settings& settings, QObject* parent = nullptr);

  Deck& deck() const { return deck_; }
  // The knob with this code, or nullptr for a code outside 0..4.
  BoundedValue* knob(int code);
  BoundedValue& gain() { return gain_; }
  BoundedValue& balance() { return balance_; }
  BoundedValue& band(Band band) { return bands_[std::size_t(band)]; }
  BoundedValue& kill(Band band) { return kills_[std::size_t(band)]; }
  BoundedValue& volume() { return volume_; }
  BoundedValue& mute() { return mute_; }
  bool muted() const { return mute_.value() != 0; }

  // [main-thread] The remote operations. Each is an ordinary change of the control's model, so the
  // deck, the engine and the widgets follow exactly as when the user moves the control.
  // Codes 0..4 (HI, MID, LOW, GAIN, BALANCE); value 256 steps up, 257 steps down, 258 centres the
  // knob ((min + max) / 2, truncated toward zero), 0..255 maps onto the knob's range, negative
  // values count as 0 (the minimum); any other code or value does nothing.
  void setKnob(int code, int value);
  // Band 0..2 (HI, MID, LOW); state 1 on, 0 off, 2 flips; anything else does nothing.
  void setKill(int band, int state);
  // -1 steps up, -2 steps down; any other value maps 0..255 onto the fader (values outside 0..255
  // count as the nearest end).
  void setVolume(int value);
  // 0 mutes, 1 unmutes, 2 flips; anything else does nothing.
  void setMute(int value);

  // The value of a control of range [minimum, maximum] for a controller byte 0..255: the range
  // factor (maximum − minimum) / 255 in double, taken to single precision, times the byte in single
  // precision, truncated toward zero, plus the minimum. 0 gives the minimum, 255 the maximum.
  static int mapByte(int byte, int minimum, int maximum);
  // The GAIN knob's percent for a track's peak under an auto-gain mode; none for peak 0 (or less),
  // where normalising would be infinite, and for an unknown mode. Held to the knob's range.
  static std::optional<int> autoGainPercent(int mode, int peak);

 private:
  void connectControls();
  void applyBandKnobs();
  void applyKills();
  void applyBalance();
  void applyAutoGain(int peak);

  Deck& deck_;
  BoundedValue& volume_;
  Settings& settings_;
  BoundedValue gain_{kGainMinPercent, kGainMaxPercent, kUnityGainPercent};
  BoundedValue balance_{-kBalanceLimit, kBalanceLimit, 0};
  std::array<BoundedValue, kBandCount> bands_{BoundedValue{0, 255, kFlatBand}, BoundedValue{0, 255, kFlatBand},
                                              BoundedValue{0, 255, kFlatBand}};
  std::array<BoundedValue, kBandCount> kills_{BoundedValue{0, 1, 0}, BoundedValue{0, 1, 0}, BoundedValue{0, 1, 0}};
  BoundedValue mute_{0, 1, 0};
};

}  // namespace gm

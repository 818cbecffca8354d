#include "app/MixerChannel.h"

#include <algorithm>
#include <cstdint>

#include "core/Settings.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

constexpr int kByteMaximum = 255;

// Peak level that auto gain normalises to full scale, and the share of it each mode aims for.
constexpr double kFullScalePeak = 32768.0;
constexpr std::array<double, kAutoGainModes> kAutoGainShare = {0.0, 1.0, 0.5, 0.25};

}  // namespace

MixerChannel::MixerChannel(Deck& deck, BoundedValue& volume, Settings& settings, QObject* parent)
    : QObject(parent), deck_(deck), volume_(volume), settings_(settings) {
  connectControls();
  deck_.setVolumePercent(gain_.value());
  applyBalance();
  applyBandKnobs();
  applyKills();
}

void MixerChannel::connectControls() {
  connect(&gain_, &BoundedValue::valueChanged, this, [this](int percent) { deck_.setVolumePercent(percent); });
  connect(&balance_, &BoundedValue::valueChanged, this, &MixerChannel::applyBalance);
  for (BoundedValue& band : bands_) connect(&band, &BoundedValue::valueChanged, this, &MixerChannel::applyBandKnobs);
  for (BoundedValue& kill : kills_) connect(&kill, &BoundedValue::valueChanged, this, &MixerChannel::applyKills);
  connect(&deck_, &Deck::peakChanged, this, &MixerChannel::applyAutoGain);
}

BoundedValue* MixerChannel::knob(int code) {
  switch (code) {
    case kHigh: return &bands_[kHighBand];
    case kMid: return &bands_[kMidBand];
    case kLow: return &bands_[kLowBand];
    case kGain: return &gain_;
    case kBalance: return &balance_;
    default: return nullptr;
  }
}

int MixerChannel::mapByte(int byte, int minimum, int maximum) {
  const auto factor = static_cast<float>((static_cast<double>(maximum) - minimum) / 255.0);
  const float offset = factor * static_cast<float>(std::clamp(byte, 0, kByteMaximum));
  return minimum + static_cast<int>(offset);
}

void MixerChannel::setKnob(int code, int value) {
  BoundedValue* control = knob(code);
  if (!control || value > kKnobCentre) return;
  // Step in 64 bits: a step past the end is clamped by the model, never wrapped around.
  const std::int64_t current = control->value();
  if (value == kKnobStepUp) {
    control->setValue(static_cast<int>(std::min<std::int64_t>(current + 1, control->maximum())));
  } else if (value == kKnobStepDown) {
    control->setValue(static_cast<int>(std::max<std::int64_t>(current - 1, control->minimum())));
  } else if (value == kKnobCentre) {
    control->setValue(static_cast<int>((std::int64_t(control->minimum()) + control->maximum()) / 2));
  } else {
    control->setValue(mapByte(value, control->minimum(), control->maximum()));
  }
}

void MixerChannel::setKill(int band, int state) {
  if (band < 0 || band >= kBandCount) return;
  BoundedValue& kill = kills_[std::size_t(band)];
  if (state == kKillOff || state == kKillOn) {
    kill.setValue(state);
  } else if (state == kFlip) {
    kill.setValue(kill.value() != 0 ? 0 : 1);
  }
}

void MixerChannel::setVolume(int value) {
  if (value == kVolumeStepUp) {
    volume_.setValue(volume_.value() < volume_.maximum() ? volume_.value() + 1 : volume_.maximum());
  } else if (value == kVolumeStepDown) {
    volume_.setValue(volume_.value() > volume_.minimum() ? volume_.value() - 1 : volume_.minimum());
  } else {
    volume_.setValue(mapByte(value, volume_.minimum(), volume_.maximum()));
  }
}

void MixerChannel::setMute(int value) {
  if (value == kMuteOn) {
    mute_.setValue(1);
  } else if (value == kMuteOff) {
    mute_.setValue(0);
  } else if (value == kFlip) {
    mute_.setValue(muted() ? 0 : 1);
  }
}

void MixerChannel::applyBandKnobs() {
  deck_.setBandKnobs(bands_[kHighBand].value(), bands_[kMidBand].value(), bands_[kLowBand].value());
}

void MixerChannel::applyKills() {
  deck_.setKills(kills_[kHighBand].value() != 0, kills_[kMidBand].value() != 0, kills_[kLowBand].value() != 0);
}

void MixerChannel::applyBalance() {
  // Knob right (+) must quieten the left channel, which the deck does for a negative balance.
  deck_.setBalance(-balance_.value() * kDeckBalanceLimit / kBalanceLimit);
}

std::optional<int> MixerChannel::autoGainPercent(int mode, int peak) {
  if (mode < 0 || mode >= kAutoGainModes || peak <= 0) return std::nullopt;
  const double gain = mode == 0 ? 1.0 : kFullScalePeak / peak * kAutoGainShare[std::size_t(mode)];
  // Held to the knob's range before the conversion, so that no peak can overflow it.
  const double percent = std::clamp(gain * 100.0, double(kGainMinPercent), double(kGainMaxPercent));
  return static_cast<int>(percent);
}

// [main-thread] The deck published the loaded track's peak.
void MixerChannel::applyAutoGain(int peak) {
  const std::optional<int> percent = autoGainPercent(settings_.integer(kAutoGainSettingId), peak);
  if (percent) gain_.setValue(*percent);
}

}  // namespace gm

#pragma once
// What a deck's waveform views show: the whole waveform (coloured by spectral balance when that
// setting is on) or one band's energy curve, chosen with the deck's "hi", "mid" and "low" toggles
// or by display code. A toggle can be used once its band of the loaded track is ready.
//
// Display codes: 1, 2, 3 select the high, mid or low band; 4 the whole waveform; 5 steps
// waveform → high → mid → low → waveform, 6 the other way round; other codes do nothing.

#include <array>
#include <optional>

#include <QObject>
#include <QString>

#include "tracks/TrackBands.h"

namespace gm {

// "Colorize waveform based on spectral content".
inline const QString kColourWaveformSettingId = QStringLiteral("RNBO");

class BandDisplay : public QObject {
  Q_OBJECT
 public:
  enum Code { kHighCode = 1, kMidCode = 2, kLowCode = 3, kWaveCode = 4, kNextCode = 5, kPreviousCode = 6 };

  explicit BandDisplay(QObject* parent = nullptr) : QObject(parent) {}

  // [main-thread] The band shown, or none for the whole waveform.
  std::optional<Band> shownBand() const { return shown_; }
  void show(std::optional<Band> band);
  void setCode(int code);
  // [main-thread] A band's toggle: shows the band, or the whole waveform when the band is shown
  // already. A band that is not ready is not shown.
  void toggle(Band band);

  // [main-thread] Whether the loaded track's band is ready (its toggle usable), and its colour image.
  bool ready(Band band) const { return ready_[static_cast<std::size_t>(band)]; }
  bool colourReady() const { return colourReady_; }
  // [main-thread] The whole waveform is drawn in the colour image's colours (else in one colour).
  bool colourised() const { return colourised_; }
  void setColourised(bool on);

  // [main-thread] A load begins: the whole waveform, no band ready, no colour image.
  void startTrack();
  void setReady(Band band, bool ready);
  void setColourReady(bool ready);

 Q_SIGNALS:
  void changed();

 private:
  std::optional<Band> shown_;
  std::array<bool, kBandCount> ready_{};
  bool colourReady_ = false;
  bool colourised_ = true;
};

}  // namespace gm

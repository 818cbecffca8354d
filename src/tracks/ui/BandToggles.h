#pragma once
// A deck's three band toggles, "hi", "mid" and "low": each shows its band's energy curve in the
// waveform views instead of the whole waveform; pressing the lit one returns to the waveform. A
// toggle is usable once its band of the loaded track is ready.

#include <array>

#include <QWidget>

#include "tracks/TrackBands.h"

class QPushButton;

namespace gm {

class Deck;

class BandToggles : public QWidget {
  Q_OBJECT
 public:
  explicit BandToggles(Deck& deck, QWidget* parent = nullptr);

 private:
  void toggle(Band band);
  void showState();

  Deck& deck_;
  std::array<QPushButton*, kBandCount> buttons_{};
};

}  // namespace gm

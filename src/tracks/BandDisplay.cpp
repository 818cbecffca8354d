#include "tracks/BandDisplay.h"

namespace gm {
namespace {

// Position in the cycle waveform → high → mid → low: 0 for the waveform, 1 + the band otherwise.
int cyclePosition(std::optional<Band> band) { return band ? 1 + static_cast<int>(*band) : 0; }

std::optional<Band> atCyclePosition(int position) {
  if (position == 0) return std::nullopt;
  return static_cast<Band>(position - 1);
}

}  // namespace

void BandDisplay::show(std::optional<Band> band) {
  if (band == shown_) return;
  shown_ = band;
  Q_EMIT changed();
}

void BandDisplay::setCode(int code) {
  constexpr int kPositions = kBandCount + 1;
  switch (code) {
    case kHighCode: show(Band::High); break;
    case kMidCode: show(Band::Mid); break;
    case kLowCode: show(Band::Low); break;
    case kWaveCode: show(std::nullopt); break;
    case kNextCode: show(atCyclePosition((cyclePosition(shown_) + 1) % kPositions)); break;
    case kPreviousCode: show(atCyclePosition((cyclePosition(shown_) + kPositions - 1) % kPositions)); break;
    default: break;
  }
}

void BandDisplay::toggle(Band band) {
  if (shown_ == band) {
    show(std::nullopt);
  } else if (ready(band)) {
    show(band);
  }
}

void BandDisplay::setColourised(bool on) {
  if (on == colourised_) return;
  colourised_ = on;
  Q_EMIT changed();
}

void BandDisplay::startTrack() {
  shown_.reset();
  ready_.fill(false);
  colourReady_ = false;
  Q_EMIT changed();
}

void BandDisplay::setReady(Band band, bool ready) {
  ready_[static_cast<std::size_t>(band)] = ready;
  Q_EMIT changed();
}

void BandDisplay::setColourReady(bool ready) {
  colourReady_ = ready;
  Q_EMIT changed();
}

}  // namespace gm

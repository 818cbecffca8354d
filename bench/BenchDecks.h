#pragma once
// Loaded, playing decks for the benchmarks: 30-second synthetic tracks (a kick-like low tone, a mid
// tone and noise, different for each deck) decoded by the real loader. The decks load on their own
// threads and report through the event loop, so a QCoreApplication must exist.

#include <cmath>
#include <cstdint>
#include <numbers>
#include <random>

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "tracks/Deck.h"

namespace gm::bench {

inline constexpr int kTrackSeconds = 30;

inline void appendLittleEndian(QByteArray& bytes, std::uint32_t value, int size) {
  for (int i = 0; i < size; ++i) bytes.append(char((value >> (8 * i)) & 0xFF));
}

// A 16-bit stereo WAV, different for each seed.
inline QString writeSyntheticTrack(const QString& dir, unsigned seed) {
  constexpr int kRate = 44100;
  const std::uint32_t frames = kTrackSeconds * kRate;
  QByteArray bytes;
  bytes.append("RIFF");
  appendLittleEndian(bytes, 36 + frames * 4, 4);
  bytes.append("WAVEfmt ");
  appendLittleEndian(bytes, 16, 4);
  appendLittleEndian(bytes, 1, 2);
  appendLittleEndian(bytes, 2, 2);
  appendLittleEndian(bytes, kRate, 4);
  appendLittleEndian(bytes, kRate * 4, 4);
  appendLittleEndian(bytes, 4, 2);
  appendLittleEndian(bytes, 16, 2);
  bytes.append("data");
  appendLittleEndian(bytes, frames * 4, 4);
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> noise(-3000.0, 3000.0);
  for (std::uint32_t f = 0; f < frames; ++f) {
    const double t = double(f) / kRate;
    const double tone = 9000.0 * std::sin(2 * std::numbers::pi * (60.0 + seed) * t) + 5000.0 * std::sin(2 * std::numbers::pi * 1200.0 * t);
    appendLittleEndian(bytes, std::uint16_t(std::int16_t(tone + noise(random))), 2);
    appendLittleEndian(bytes, std::uint16_t(std::int16_t(0.8 * tone + noise(random))), 2);
  }
  const QString path = dir + QString("/deck%1.wav").arg(seed);
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
  return path;
}

// Two loaded, playing decks with the channel settings a mix would have.
class TwoDecks {
 public:
  TwoDecks(std::size_t maxBlockFrames, int highKnob, int midKnob, int lowKnob) {
    deckA.link(&deckB);
    deckB.link(&deckA);
    for (gm::Deck* deck : {&deckA, &deckB}) {
      deck->prepare(maxBlockFrames);
      deck->setBandKnobs(highKnob, midKnob, lowKnob);
      deck->setVolumePercent(90);
      deck->setBalance(-4000);
    }
    ready = load(deckA, 1) && load(deckB, 2) && deckA.play() && deckB.play();
  }

  void rewind() {
    deckA.setPosition(0);
    deckB.setPosition(0);
  }

  gm::Deck deckA{0};
  gm::Deck deckB{1};
  bool ready = false;

 private:
  bool load(gm::Deck& deck, unsigned seed) {
    const QString path = writeSyntheticTrack(dir_.path(), seed);
    if (path.isEmpty() || !deck.loadEntry(gm::TrackEntry::fromPath(path))) return false;
    while (deck.busy()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(1);
    }
    return deck.hasTrack();
  }

  QTemporaryDir dir_;
};

}  // namespace gm::bench

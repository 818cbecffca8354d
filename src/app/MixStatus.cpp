#include "app/MixStatus.h"

#include "app/Application.h"
#include "control/ArgumentTemplate.h"
#include "recorder/Recorder.h"

namespace gm {
namespace {

const char* bandName(std::optional<Band> band) {
  if (!band) return "WAVE";
  switch (*band) {
    case Band::High: return "HI";
    case Band::Mid: return "MID";
    default: return "LOW";
  }
}

class Words {
 public:
  explicit Words(QByteArray prefix) : prefix_(std::move(prefix)) {}
  Words& add(const char* name, const QByteArray& value) {
    if (!text_.isEmpty()) text_ += ' ';
    text_ += prefix_ + name + '=' + value;
    return *this;
  }
  Words& add(const char* name, long long value) { return add(name, QByteArray::number(value)); }
  const QByteArray& text() const { return text_; }

 private:
  QByteArray prefix_;
  QByteArray text_;
};

}  // namespace

QByteArray MixStatus::describe(Application& app, int currentDeck) {
  Words mixer{""};
  mixer.add("USE", currentDeck == 0 ? "DECKA" : "DECKB")
      .add("CROSSFADER", app.crossFader().value())
      .add("RECORDING", app.recorder().recording() ? 1 : 0);
  return mixer.text() + ' ' + describeDeck(app, Application::kDeckA) + ' ' + describeDeck(app, Application::kDeckB);
}

QByteArray MixStatus::describeDeck(Application& app, int deckNumber) {
  Deck& deck = app.deck(deckNumber);
  MixerChannel& channel = app.mixerChannel(deckNumber);
  const std::shared_ptr<const SampleData> sample = deck.sample();
  const bool loaded = sample && sample->loadEnded.load(std::memory_order_acquire);
  Words words{deckNumber == Application::kDeckA ? "DECKA." : "DECKB."};
  words.add("FILE", ArgumentTemplate::quoted(deck.filePath()))
      .add("KEY", loaded ? QByteArray::fromStdString(sample->key) : QByteArray("-"))
      .add("LOADING", deck.busy())
      .add("FRAMES", deck.frames())
      .add("POSITION", deck.positionFrames())
      .add("PLAYING", deck.playing())
      .add("REVERSE", deck.reversed())
      .add("PITCH", deck.pitch())
      .add("BPM", deck.bpm())
      .add("CURRENTBPM", deck.currentBpm())
      .add("CUE", deck.cueBytes() / 4)
      .add("LOOP", QByteArray::number(deck.loopStart()) + ',' + QByteArray::number(deck.loopEnd()))
      .add("DISPLAY", bandName(deck.bandDisplay().shownBand()))
      .add("VOLUME", channel.volume().value())
      .add("MUTE", channel.mute().value())
      .add("GAIN", channel.gain().value())
      .add("BALANCE", channel.balance().value());
  const MixerChannel::Band bands[] = {MixerChannel::kHighBand, MixerChannel::kMidBand, MixerChannel::kLowBand};
  const char* const bandWords[] = {"HI", "MID", "LOW"};
  QByteArray kills;
  for (int i = 0; i < 3; ++i) {
    words.add(bandWords[i], channel.band(bands[i]).value());
    kills += (i ? "," : "") + QByteArray::number(channel.kill(bands[i]).value());
  }
  words.add("KILLS", kills);
  return words.text();
}

}  // namespace gm

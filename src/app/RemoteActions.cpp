#include "app/RemoteActions.h"

#include "app/Application.h"

namespace gm {

bool RemoteActions::remoteAction(int action, int value, int second) {
  const int deck = currentDeck_ == 0 ? Application::kDeckA : Application::kDeckB;
  MixerChannel& channel = app_.mixerChannel(deck);
  switch (action) {
    case kUse:
      if (value != 0 && value != 1) return false;
      currentDeck_ = value;
      return true;
    case kSetKnob: channel.setKnob(value, second); return true;
    case kSetKill: channel.setKill(value, second); return true;
    case kSetVolume: channel.setVolume(value); return true;
    case kSetMute: channel.setMute(value); return true;
    case kSetBpm: return app_.deckControls(deck).takeRemoteBpm(value);
    case kSync: return app_.deckControls(deck).sync();
    default: return deckAction(action, value);
  }
}

bool RemoteActions::deckAction(int action, int value) {
  Deck& deck = app_.deck(currentDeck_ == 0 ? Application::kDeckA : Application::kDeckB);
  switch (action) {
    case kPlay: return deck.play();
    case kPause: deck.pause(); return true;
    case kRewind: deck.rewind(); return true;
    case kTogglePlay: deck.togglePlay(); return true;
    case kReverse:
      if (value < 0 || value > 2) return false;
      deck.setReverse(value == 2 ? !deck.reversed() : value == 1);
      return true;
    case kSeek: deck.setPosition(value); return true;
    case kSetCue: deck.cuePoint(0); return true;
    case kJumpToCue: deck.cuePoint(1); return true;
    case kBandDisplay: deck.bandDisplay().setCode(value); return true;
    default: return false;  // codes not listed do nothing
  }
}

}  // namespace gm

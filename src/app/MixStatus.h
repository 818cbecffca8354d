#pragma once
// The state of both decks and the mixer in one line of NAME=value words, for the command port's
// STATUS: what a script needs to see what it did. Deck words carry the deck's prefix ("DECKA.").
// File names are quoted as command arguments are, so a name read here can be given to LOAD.

#include <QByteArray>

namespace gm {

class Application;

class MixStatus {
 public:
  // [main-thread] `currentDeck` is the port's current deck (0 or 1).
  static QByteArray describe(Application& app, int currentDeck);

 private:
  static QByteArray describeDeck(Application& app, int deck);
};

}  // namespace gm

#pragma once
// The application's remote action: what the command port's deck commands do to the current deck
// (the one selected last with USE, by any client), its mixer channel or its control panel.

#include "control/RemoteActionTarget.h"

namespace gm {

class Application;

class RemoteActions : public RemoteActionTarget {
 public:
  explicit RemoteActions(Application& app) : app_(app) {}

  // [main-thread] 0 for deck A, 1 for deck B; deck A at start. Only USE changes it.
  int currentDeck() const { return currentDeck_; }

  // [main-thread]
  bool remoteAction(int action, int value, int second) override;

 private:
  bool deckAction(int action, int value);

  Application& app_;
  int currentDeck_ = 0;
};

}  // namespace gm

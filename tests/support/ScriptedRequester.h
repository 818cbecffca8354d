#pragma once
// A requester for tests: answers from a script and remembers what it was asked.

#include <deque>

#include <QString>
#include <QStringList>

#include "core/Requester.h"

namespace gm::testing {

class ScriptedRequester final : public Requester {
 public:
  // Queues the index of the button to choose for the next request; with no answer queued the
  // default button is chosen.
  void answer(int buttonIndex) { answers_.push_back(buttonIndex); }

  int request(const QString& title, const QString& text, const QString& buttons) override;

  QStringList titles;
  QStringList texts;
  QStringList buttons;

 private:
  std::deque<int> answers_;
};

}  // namespace gm::testing

#pragma once
// The headless program's requester: the message goes to standard error and the default button is
// taken, since there is nobody to ask.

#include "core/Requester.h"

namespace gm {

class ConsoleRequester final : public Requester {
 public:
  int request(const QString& title, const QString& text, const QString& buttons) override;
};

}  // namespace gm

#include "support/ScriptedRequester.h"

namespace gm::testing {

int ScriptedRequester::request(const QString& title, const QString& text, const QString& buttonText) {
  titles << title;
  texts << text;
  buttons << buttonText;
  if (answers_.empty()) return defaultButton(buttonText);
  const int chosen = answers_.front();
  answers_.pop_front();
  return chosen;
}

}  // namespace gm::testing

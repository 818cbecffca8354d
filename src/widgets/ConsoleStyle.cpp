#include "widgets/ConsoleStyle.h"

namespace gm::console_style {
namespace {

const char* const kKeys = R"(
QPushButton { background: #34343a; color: #e6e6e6; border: 1px solid #4a4a52; border-radius: 3px; }
QPushButton:hover { border-color: #8a8a94; }
QPushButton:pressed { background: #5a5a62; }
QPushButton:checked { background: #ff9a1f; color: black; border-color: #ffc070; }
)";

// Equal in specificity to a part's "QPushButton[role=...]:checked", and later: it wins.
const char* const kOutOfUse = R"(
QPushButton:disabled, QPushButton:checked:disabled { color: #5e5e66; background: #2a2a2e; border-color: #38383e; }
)";

}  // namespace

QString buttonSheet(const char* ownRules) {
  return QString::fromLatin1(kKeys) + QString::fromUtf8(ownRules) + QString::fromLatin1(kOutOfUse);
}

}  // namespace gm::console_style

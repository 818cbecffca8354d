#pragma once
// The look the main window's buttons share, so that a toggle reads the same in every part of the
// console: dark keys, a toggle that is on lit amber, and one greyed-out look for a control that is
// out of use, whether it was on or off.

#include <QString>

namespace gm::console_style {

// A part's style sheet: the shared keys first, so that `ownRules` refine them (sizes, fonts, a
// toggle's own lit colour), and the shared disabled look last, so that it wins over every lit
// colour of the part.
QString buttonSheet(const char* ownRules);

}  // namespace gm::console_style

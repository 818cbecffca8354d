#pragma once
// Asking the user: the window shows a modal message box, the headless program writes to standard
// error and takes the default answer. Buttons are given as one text "_First|*_Second": '|' separates
// buttons, '_' marks the keyboard shortcut of the letter after it, '*' marks the default button.

#include <QString>
#include <QStringList>

namespace gm {

class Requester {
 public:
  virtual ~Requester() = default;

  // [main-thread] Returns the 0-based index of the chosen button, counted from the left.
  virtual int request(const QString& title, const QString& text, const QString& buttons) = 0;

  // The buttons' labels with Qt's '&' shortcut marks ("_OK" → "&OK").
  static QStringList buttonLabels(const QString& buttons);
  // The default button's index: the one marked '*', else the first.
  static int defaultButton(const QString& buttons);
};

}  // namespace gm

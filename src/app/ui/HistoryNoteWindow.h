#pragma once
// The history note shown at start: the program's release history in a read-only, scrollable text,
// with "OK" and "Do not bother me again!". Either button closes the window.

#include <QWidget>

namespace gm {

class HistoryNoteWindow : public QWidget {
  Q_OBJECT
 public:
  HistoryNoteWindow(const QString& text, QWidget* parent = nullptr);

 Q_SIGNALS:
  // After the window closed through one of its buttons; `turnedOff` for "Do not bother me again!".
  void dismissed(bool turnedOff);

 private:
  void dismiss(bool turnedOff);
};

}  // namespace gm

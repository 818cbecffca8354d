#pragma once
// Hands every key of a window to the event dispatch, whichever of the window's widgets has the
// focus; a text field that has it keeps its keys. Keys of other windows (dialogs) are left alone.

#include <QObject>

class QWidget;

namespace gm {

class EventDispatcher;

class ShortcutKeyFilter : public QObject {
  Q_OBJECT
 public:
  // Watches `window`'s keys for as long as this object lives.
  ShortcutKeyFilter(QWidget& window, EventDispatcher& dispatcher);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  static bool textFieldHasFocus();

  QWidget& window_;
  EventDispatcher& dispatcher_;
};

}  // namespace gm

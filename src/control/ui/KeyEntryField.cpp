#include "control/ui/KeyEntryField.h"

#include <QKeyEvent>

#include "control/KeyDescription.h"
#include "control/QtKeyTranslation.h"
#include "core/CatalogTable.h"

namespace gm {

KeyEntryField::KeyEntryField(QWidget* parent) : QLineEdit(parent) {
  setClearButtonEnabled(true);
  setContextMenuPolicy(Qt::NoContextMenu);  // no pasting of text that is no key
  setPlaceholderText(msg(Msg::MappingPressKey));
  connect(this, &QLineEdit::textEdited, this, [this](const QString& text) {
    if (text.isEmpty()) Q_EMIT recorded(text);  // only the clear button edits
  });
}

// Tab and Backtab are keys to record here, not a way out of the field.
bool KeyEntryField::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
      keyPressEvent(key);
      return true;
    }
  }
  return QLineEdit::event(event);
}

void KeyEntryField::keyPressEvent(QKeyEvent* event) {
  event->accept();
  if (event->isAutoRepeat()) return;
  const std::optional<KeyMessage> key = QtKeyTranslation::message(event->key(), event->modifiers(), false, false);
  if (!key) return;  // a qualifier key alone: wait for the key it qualifies
  const QString description = KeyDescription::describe(*key);
  setText(description);
  Q_EMIT recorded(description);
}

}  // namespace gm

#pragma once
// A field that records a key: pressing a key (with its qualifiers) writes the key's shortcut
// description ("ctrl alt a"); the clear button empties it. Typing never inserts text.

#include <QLineEdit>

namespace gm {

class KeyEntryField : public QLineEdit {
  Q_OBJECT
 public:
  explicit KeyEntryField(QWidget* parent = nullptr);

 Q_SIGNALS:
  // A key was recorded or the field was cleared: the new description (empty when cleared).
  void recorded(const QString& description);

 protected:
  bool event(QEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
};

}  // namespace gm

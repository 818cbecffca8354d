#include "app/ui/MessageBoxRequester.h"

#include <QMessageBox>
#include <QPushButton>

namespace gm {

int MessageBoxRequester::request(const QString& title, const QString& text, const QString& buttons) {
  QMessageBox box(parent_);
  box.setWindowTitle(title);
  box.setText(text);
  box.setTextFormat(Qt::PlainText);  // texts name files, and a file name is no markup
  box.setIcon(title == "GrooveMangler" ? QMessageBox::Question : QMessageBox::Warning);
  const QStringList labels = buttonLabels(buttons);
  QList<QPushButton*> pushButtons;
  for (const QString& label : labels) pushButtons << box.addButton(label, QMessageBox::AcceptRole);
  box.setDefaultButton(pushButtons.value(defaultButton(buttons)));
  // Escape and the close gadget answer with the last button, as the rightmost button is the
  // "negative" one in every requester of the program.
  box.setEscapeButton(pushButtons.value(pushButtons.size() - 1));
  box.exec();
  const int chosen = int(pushButtons.indexOf(qobject_cast<QPushButton*>(box.clickedButton())));
  return chosen < 0 ? int(labels.size()) - 1 : chosen;
}

}  // namespace gm

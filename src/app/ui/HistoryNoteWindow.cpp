#include "app/ui/HistoryNoteWindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "core/CatalogTable.h"

namespace gm {
namespace {

// Room for the note's lines at a readable width, well inside a 1280 x 720 screen.
constexpr QSize kPreferredSize(660, 520);

}  // namespace

HistoryNoteWindow::HistoryNoteWindow(const QString& text, QWidget* parent) : QWidget(parent, Qt::Window) {
  setWindowTitle(msg(Msg::HistoryTitle));
  setObjectName("historyNote");
  auto* column = new QVBoxLayout(this);
  auto* view = new QPlainTextEdit(text, this);
  view->setObjectName("historyText");
  view->setReadOnly(true);
  view->setLineWrapMode(QPlainTextEdit::WidgetWidth);
  // The keyboard starts on "OK": a text that only reads is no field to type into, so the keys that
  // reach the main window stay its shortcuts.
  view->setFocusPolicy(Qt::ClickFocus);
  column->addWidget(view, 1);
  auto* buttons = new QHBoxLayout;  // in this order, whatever the desktop's button order
  auto* ok = new QPushButton("&" + msg(Msg::OkButton), this);
  ok->setObjectName("historyOk");
  ok->setDefault(true);
  auto* never = new QPushButton(msg(Msg::HistoryDoNotBother), this);
  never->setObjectName("historyDoNotBother");
  connect(ok, &QPushButton::clicked, this, [this] { dismiss(false); });
  connect(never, &QPushButton::clicked, this, [this] { dismiss(true); });
  buttons->addWidget(ok);
  buttons->addStretch(1);
  buttons->addWidget(never);
  column->addLayout(buttons);
  resize(kPreferredSize.boundedTo(screen()->availableSize()));
}

void HistoryNoteWindow::dismiss(bool turnedOff) {
  close();
  Q_EMIT dismissed(turnedOff);
}

}  // namespace gm

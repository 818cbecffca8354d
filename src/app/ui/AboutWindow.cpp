#include "app/ui/AboutWindow.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CatalogTable.h"
#include "core/ProgramVersion.h"
#include "core/VersionCheck.h"

namespace gm {
namespace {

QLabel* plainLabel(const QString& text, const char* name, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(name);
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignHCenter);
  label->setWordWrap(true);
  return label;
}

}  // namespace

AboutWindow::AboutWindow(VersionCheck& check, QWidget* parent) : QWidget(parent, Qt::Window), check_(check) {
  setWindowTitle(msg(Msg::AboutTitle));
  setObjectName("aboutWindow");
  auto* column = new QVBoxLayout(this);
  column->setSpacing(8);
  QLabel* name = plainLabel(program_version::kName, "programName", this);
  QFont large = name->font();
  large.setPointSizeF(large.pointSizeF() * 2);
  large.setBold(true);
  name->setFont(large);
  column->addWidget(name);
  column->addWidget(plainLabel(msg(Msg::AboutVersion).arg(program_version::versionText()), "version", this));
  column->addWidget(plainLabel(msg(Msg::AppDescription), "description", this));
  column->addWidget(plainLabel(msg(Msg::AboutText), "aboutText", this));
  checkState_ = plainLabel(QString(), "versionCheckState", this);
  column->addWidget(checkState_);
  auto* buttons = new QDialogButtonBox(this);
  QPushButton* ok = buttons->addButton("&" + msg(Msg::OkButton), QDialogButtonBox::AcceptRole);
  connect(ok, &QPushButton::clicked, this, &QWidget::close);
  column->addWidget(buttons);
  setFixedWidth(460);
  showCheckState();
  connect(&check_, &VersionCheck::changed, this, &AboutWindow::showCheckState);
}

void AboutWindow::open() {
  show();
  raise();
  activateWindow();
}

void AboutWindow::showCheckState() {
  checkState_->setText(check_.text());
  QFont font = checkState_->font();
  font.setBold(check_.state() == VersionCheck::State::NewVersion);
  checkState_->setFont(font);
}

}  // namespace gm

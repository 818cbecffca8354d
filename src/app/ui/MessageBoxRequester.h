#pragma once
// The window's requester: a modal message box over the main window with the requester's buttons.

#include <QPointer>
#include <QWidget>

#include "core/Requester.h"

namespace gm {

class MessageBoxRequester final : public Requester {
 public:
  void setParentWidget(QWidget* parent) { parent_ = parent; }
  int request(const QString& title, const QString& text, const QString& buttons) override;

 private:
  QPointer<QWidget> parent_;
};

}  // namespace gm

#pragma once
// The status line: background failures and notices for the user. The window shows the last text;
// the headless program writes each one to standard error.

#include <QObject>
#include <QString>

namespace gm {

class StatusLine : public QObject {
  Q_OBJECT
 public:
  explicit StatusLine(QObject* parent = nullptr);

  // [main-thread]
  void show(const QString& text);
  // [main-thread] A text the window shows in bold (news the user should not miss).
  void showEmphasised(const QString& text);
  const QString& text() const { return text_; }
  bool emphasised() const { return emphasised_; }

 Q_SIGNALS:
  void shown(const QString& text);

 private:
  QString text_;
  bool emphasised_ = false;
};

}  // namespace gm

#pragma once
// "About GrooveMangler": the program's name, version and description, and the version check's
// status text, which follows the check while the window is open.

#include <QWidget>

class QLabel;

namespace gm {

class VersionCheck;

class AboutWindow : public QWidget {
  Q_OBJECT
 public:
  AboutWindow(VersionCheck& check, QWidget* parent = nullptr);

  // [main-thread] Shows the window in front.
  void open();

 private:
  void showCheckState();

  VersionCheck& check_;
  QLabel* checkState_ = nullptr;
};

}  // namespace gm

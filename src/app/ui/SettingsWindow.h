#pragma once
// "GrooveMangler - Settings": a list of pages on the left, the chosen page on the right, and "Save",
// "Use" and "Cancel" at the bottom. Widgets edit the settings in place; the buttons store them.

#include <QWidget>

class QListWidget;
class QStackedWidget;

namespace gm {

class Application;

class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  SettingsWindow(Application& app, QWidget* parent = nullptr);

  // [main-thread] Adds a page under its title; pages appear in the order they are added.
  void addPage(const QString& title, QWidget* page);
  void open();

 private:
  QWidget* buildButtons();

  Application& app_;
  QListWidget* pageList_ = nullptr;
  QStackedWidget* pages_ = nullptr;
};

}  // namespace gm

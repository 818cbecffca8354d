#pragma once
// "GrooveMangler - Settings": a list of pages on the left, the chosen page on the right, and "Save",
// "Use" and "Cancel" at the bottom. Widgets edit the settings in place; the buttons store them.
// Closing the window any other way acts as "Cancel": a change not saved or used vanishes.

#include <QWidget>

class QListWidget;
class QStackedWidget;

namespace gm {

class Application;
class SettingsPage;
struct SettingsPageLayout;

class SettingsWindow : public QWidget {
  Q_OBJECT
 public:
  SettingsWindow(Application& app, QWidget* parent = nullptr);

  // [main-thread] Adds a page under its title; pages appear in the order they are added. The page
  // scrolls within the window when it is taller than the window.
  void addPage(const QString& title, QWidget* page);
  void open();

  // The "Equalizer" page; its header layout takes the response display above the band groups.
  SettingsPage* equaliserPage() const { return equaliserPage_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildPage(const SettingsPageLayout& layout);
  void addEqualiserDisplay(SettingsPage& page);
  QWidget* buildButtons();

  Application& app_;
  QListWidget* pageList_ = nullptr;
  QStackedWidget* pages_ = nullptr;
  SettingsPage* equaliserPage_ = nullptr;
  bool closingByButton_ = false;
  bool openedBefore_ = false;
};

}  // namespace gm

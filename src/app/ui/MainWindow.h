#pragma once
// The main window: the decks' waveforms and navigators across the top, the deck panels left and
// right with the mixer strip between them, the playlist below them with the recorder in its corner,
// the status line at the bottom.
// It only shows the application's models and calls its methods.

#include <QMainWindow>
#include <QPointer>

class QLabel;
class QLayout;
class QProgressBar;
class QPushButton;

namespace gm {

class AboutWindow;
class Application;
class EventMappingWindow;
class HistoryNoteWindow;
class SettingsWindow;
class WindowPlacement;

class MainWindow : public QMainWindow {
  Q_OBJECT
 public:
  explicit MainWindow(Application& app, QWidget* parent = nullptr);
  ~MainWindow() override;

  SettingsWindow& settingsWindow() { return *settingsWindow_; }
  EventMappingWindow& eventMappingWindow() { return *eventMappingWindow_; }
  AboutWindow& aboutWindow() { return *aboutWindow_; }
  // [main-thread] Shows the window after the saved settings loaded: full screen when the DJ asked
  // for it, with the deck views drawn through OpenGL when chosen and the machine can.
  void showAtStart();
  // [main-thread] Closes every window of the program without asking (the quit was confirmed).
  void closeAll();

  static void applyDarkTheme();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void buildMenus();
  QWidget* buildTrackViews();
  template <class View>
  View* addDeckView(View* view);
  void useOpenGlViews();
  QWidget* buildConsole();
  QWidget* buildDecksOverPlaylist(QWidget* decks);
  QWidget* buildDeckPanel(int deck);
  QWidget* buildFilterRack(int deck);
  void showStatus();
  void openHistoryNote(const QString& text);
  void trackPlacement();

  Application& app_;
  SettingsWindow* settingsWindow_ = nullptr;
  EventMappingWindow* eventMappingWindow_ = nullptr;
  AboutWindow* aboutWindow_ = nullptr;
  QPointer<HistoryNoteWindow> historyNote_;  // while it is open
  WindowPlacement* placement_ = nullptr;  // the windows' places across restarts
  QLabel* clock_ = nullptr;
  QLabel* status_ = nullptr;
  bool closing_ = false;
};

}  // namespace gm

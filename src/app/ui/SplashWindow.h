#pragma once
// The small window over the screen's centre while the program starts: its name and version, drawn
// here (no image files). It closes when the main window shows, or at once when start-up fails.

#include <memory>

#include <QSplashScreen>

namespace gm {

class Directories;

class SplashWindow : public QSplashScreen {
  Q_OBJECT
 public:
  SplashWindow();

  // [main-thread] A shown splash, unless the saved settings turn it off; read before anything else
  // of the program exists, so the splash covers all of its creation.
  static std::unique_ptr<SplashWindow> showUnlessTurnedOff(const Directories& directories);

  // The picture: name, version and description on the console's dark background.
  static QPixmap drawn(qreal devicePixelRatio);

 protected:
  // A requester during start-up (a warning, the error that ends it) must never be hidden by the
  // splash: the splash closes when one opens.
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace gm

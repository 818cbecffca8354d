#pragma once
// Where the DJ left the program's windows: each tracked window's position and size (and whether it
// was maximised or full screen) and each tracked splitter's division, kept in a small file of their
// own across restarts. A window gets its place back when it is first shown; a place that lies off
// every screen there is now (the big monitor is unplugged) is not applied.

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <QSet>
#include <QString>

class QSplitter;
class QWidget;

namespace gm {

class WindowPlacement : public QObject {
  Q_OBJECT
 public:
  // [main-thread] Reads the places kept in `filePath`; a missing or damaged file keeps none.
  explicit WindowPlacement(QString filePath, QObject* parent = nullptr);

  // [main-thread] Follows a top-level window or a splitter, known by its object name. A window's
  // place is written whenever it is hidden or closed.
  void track(QWidget& window);
  void track(QSplitter& splitter);
  // [main-thread] Takes the places of the tracked widgets that were shown and writes the file
  // atomically. False when the file cannot be written (the previous one is then kept).
  bool save();

  // Whether a window placed at `frame` could be grabbed by its title bar on some screen now.
  static bool onSomeScreen(const QRect& frame);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Place {
    QRect geometry;
    bool maximised = false;
    bool fullScreen = false;
  };
  void load();
  void restore(QWidget& widget);
  void remember(QWidget& widget);

  QString path_;
  QHash<QString, Place> places_;
  QHash<QString, QByteArray> splitterStates_;
  QList<QPointer<QWidget>> tracked_;
  QSet<QString> shown_;  // restored once, on the first show
};

}  // namespace gm

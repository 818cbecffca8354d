#include "app/ui/WindowPlacement.h"

#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QWidget>

#include "core/AtomicFile.h"

namespace gm {
namespace {

// The part of the title bar a window is dragged by, below the top edge of its content.
constexpr int kTitleGripPixels = 10;

}  // namespace

WindowPlacement::WindowPlacement(QString filePath, QObject* parent) : QObject(parent), path_(std::move(filePath)) {
  load();
}

void WindowPlacement::load() {
  const QFileInfo info(path_);
  if (!info.isFile() || !info.isReadable()) return;  // never a FIFO: QSettings would wait on it
  QSettings ini(path_, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError) return;
  for (const QString& group : ini.childGroups()) {
    ini.beginGroup(group);
    if (ini.contains("splitter")) {
      splitterStates_.insert(group, ini.value("splitter").toByteArray());
    } else {
      const QRect geometry = ini.value("geometry").toRect();
      if (geometry.isValid()) {
        places_.insert(group, {geometry, ini.value("maximised").toBool(), ini.value("fullScreen").toBool()});
      }
    }
    ini.endGroup();
  }
}

void WindowPlacement::track(QWidget& window) {
  tracked_ << &window;
  window.installEventFilter(this);
}

void WindowPlacement::track(QSplitter& splitter) { track(static_cast<QWidget&>(splitter)); }

bool WindowPlacement::eventFilter(QObject* watched, QEvent* event) {
  auto* widget = qobject_cast<QWidget*>(watched);
  if (widget == nullptr) return false;
  if (event->type() == QEvent::Show && !shown_.contains(widget->objectName())) {
    shown_.insert(widget->objectName());
    restore(*widget);
  } else if (event->type() == QEvent::Hide && widget->isWindow()) {
    save();
  }
  return false;
}

void WindowPlacement::restore(QWidget& widget) {
  if (auto* splitter = qobject_cast<QSplitter*>(&widget)) {
    if (const auto state = splitterStates_.constFind(widget.objectName()); state != splitterStates_.constEnd()) {
      splitter->restoreState(*state);
    }
    return;
  }
  const auto place = places_.constFind(widget.objectName());
  if (place == places_.constEnd() || !onSomeScreen(place->geometry)) return;
  widget.setGeometry(place->geometry);
  if (place->fullScreen) {
    widget.setWindowState(widget.windowState() | Qt::WindowFullScreen);
  } else if (place->maximised) {
    widget.setWindowState(widget.windowState() | Qt::WindowMaximized);
  }
}

void WindowPlacement::remember(QWidget& widget) {
  if (auto* splitter = qobject_cast<QSplitter*>(&widget)) {
    splitterStates_.insert(widget.objectName(), splitter->saveState());
    return;
  }
  const bool fullScreen = widget.isFullScreen();
  const bool maximised = widget.isMaximized();
  // A maximised or full-screen window keeps the place it goes back to when it is made normal.
  const QRect geometry = (fullScreen || maximised) && widget.normalGeometry().isValid() ? widget.normalGeometry() : widget.geometry();
  places_.insert(widget.objectName(), {geometry, maximised, fullScreen});
}

bool WindowPlacement::save() {
  for (const QPointer<QWidget>& widget : tracked_) {
    if (widget && shown_.contains(widget->objectName())) remember(*widget);
  }
  if (!QDir().mkpath(QFileInfo(path_).absolutePath())) return false;
  return AtomicFile::writeWith(path_, [this](const QString& temporaryPath) {
    QSettings ini(temporaryPath, QSettings::IniFormat);
    for (auto place = places_.cbegin(); place != places_.cend(); ++place) {
      ini.beginGroup(place.key());
      ini.setValue("geometry", place->geometry);
      ini.setValue("maximised", place->maximised);
      ini.setValue("fullScreen", place->fullScreen);
      ini.endGroup();
    }
    for (auto state = splitterStates_.cbegin(); state != splitterStates_.cend(); ++state) {
      ini.setValue(state.key() + "/splitter", *state);
    }
    ini.sync();
    return ini.status() == QSettings::NoError;
  });
}

bool WindowPlacement::onSomeScreen(const QRect& frame) {
  const QPoint grip(frame.center().x(), frame.top() + kTitleGripPixels);
  for (const QScreen* screen : QGuiApplication::screens()) {
    if (screen->availableGeometry().contains(grip)) return true;
  }
  return false;
}

}  // namespace gm

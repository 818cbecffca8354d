#include "app/ui/SplashWindow.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>

#include "core/CatalogTable.h"
#include "core/Directories.h"
#include "core/ProgramVersion.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"

namespace gm {
namespace {

constexpr QSize kSize(420, 180);
const QColor kBackground(24, 24, 26);
const QColor kAccent(255, 140, 0);  // the theme's highlight
const QColor kText(220, 220, 220);

void drawLine(QPainter& painter, const QRect& box, const QString& text, qreal pointSize, bool bold, const QColor& colour) {
  QFont font = painter.font();
  font.setPointSizeF(pointSize);
  font.setBold(bold);
  painter.setFont(font);
  painter.setPen(colour);
  painter.drawText(box, Qt::AlignCenter, text);
}

}  // namespace

SplashWindow::SplashWindow() : QSplashScreen(drawn(qApp->devicePixelRatio())) {
  setObjectName("splash");
  qApp->installEventFilter(this);
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Show && watched != this) {
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (widget && widget->isWindow() && widget->windowModality() != Qt::NonModal) close();
  }
  return false;
}

QPixmap SplashWindow::drawn(qreal devicePixelRatio) {
  QPixmap pixmap(kSize * devicePixelRatio);
  pixmap.setDevicePixelRatio(devicePixelRatio);
  pixmap.fill(kBackground);
  QPainter painter(&pixmap);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(QPen(kAccent, 2));
  painter.drawRect(QRectF(1, 1, kSize.width() - 2, kSize.height() - 2));
  const int third = kSize.height() / 3;
  drawLine(painter, QRect(0, 20, kSize.width(), third), program_version::kName, 26, true, kAccent);
  drawLine(painter, QRect(0, 20 + third, kSize.width(), third / 2), program_version::versionText(), 11, false, kText);
  drawLine(painter, QRect(0, 20 + third + third / 2, kSize.width(), third / 2), msg(Msg::AppDescription), 11, false, kText);
  return pixmap;
}

std::unique_ptr<SplashWindow> SplashWindow::showUnlessTurnedOff(const Directories& directories) {
  Settings saved;
  saved.define(SettingId::kNoSplash, false);
  SettingsStore::of(directories).load(saved, SettingsStore::Tier::Permanent);
  if (saved.flag(SettingId::kNoSplash)) return nullptr;
  auto splash = std::make_unique<SplashWindow>();
  splash->show();
  QCoreApplication::processEvents();  // painted before the creation keeps the main thread busy
  return splash;
}

}  // namespace gm

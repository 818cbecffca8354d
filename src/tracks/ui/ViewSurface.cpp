#include "tracks/ui/ViewSurface.h"

#include <utility>

#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QPainter>

namespace gm {
namespace {

class GlPaintSurface : public QOpenGLWidget {
 public:
  GlPaintSurface(QWidget& view, const ViewSurface::Painter& paint) : QOpenGLWidget(&view), paint_(paint) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
  }

 protected:
  void paintGL() override {
    QPainter painter(this);
    paint_(painter);
  }

 private:
  const ViewSurface::Painter paint_;
};

bool probeOpenGl() {
  QOpenGLContext context;
  if (!context.create()) return false;
  QOffscreenSurface surface;
  surface.setFormat(context.format());
  surface.create();
  if (!surface.isValid() || !context.makeCurrent(&surface)) return false;
  context.doneCurrent();
  return true;
}

}  // namespace

ViewSurface::ViewSurface(QWidget& view, Painter paint) : view_(view), paint_(std::move(paint)) {}

bool ViewSurface::openGlAvailable() {
  static const bool available = probeOpenGl();
  return available;
}

bool ViewSurface::useOpenGl() {
  if (glSurface_) return true;
  if (!openGlAvailable()) return false;
  glSurface_ = new GlPaintSurface(view_, paint_);
  glSurface_->setGeometry(view_.rect());
  glSurface_->lower();  // the view's own controls (the band toggles) stay on top
  glSurface_->show();
  return true;
}

void ViewSurface::update() {
  if (glSurface_) {
    glSurface_->update();
  } else {
    view_.update();
  }
}

void ViewSurface::fitToView() {
  if (glSurface_) glSurface_->setGeometry(view_.rect());
}

void ViewSurface::paintView() {
  if (glSurface_) return;  // the surface covers the whole view
  QPainter painter(&view_);
  paint_(painter);
}

}  // namespace gm

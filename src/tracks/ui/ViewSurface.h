#pragma once
// Where a deck view's picture goes: onto the view itself through the raster engine, or, when the DJ
// chose OpenGL rendering and the machine can make an OpenGL context, onto an OpenGL surface laid
// over the whole view. Both run the view's one QPainter drawing function. The surface lets mouse,
// wheel and drop events through to the view, and lies under the view's other children.

#include <functional>

class QPainter;
class QWidget;

namespace gm {

class ViewSurface {
 public:
  using Painter = std::function<void(QPainter&)>;

  // `view` owns this surface and outlives it; `paint` draws the whole view.
  ViewSurface(QWidget& view, Painter paint);

  // [main-thread] Whether this machine can make an OpenGL context (decided once, on first ask).
  static bool openGlAvailable();
  // [main-thread] Paints through OpenGL from now on. False, with the raster path kept, when no
  // OpenGL context can be made (no GL driver, or a platform without one such as "offscreen").
  bool useOpenGl();
  bool openGl() const { return glSurface_ != nullptr; }

  // [main-thread] Schedules a repaint of whichever surface shows the view.
  void update();
  // [main-thread] From the view's resizeEvent and paintEvent.
  void fitToView();
  void paintView();

 private:
  QWidget& view_;
  Painter paint_;
  QWidget* glSurface_ = nullptr;  // a child of the view, which deletes it
};

}  // namespace gm

#include "library/ui/RatingStars.h"

#include <cmath>
#include <numbers>

#include <QPainter>
#include <QPainterPath>

namespace gm {
namespace {

const QColor kFilledColour(255, 176, 32);
const QColor kFilledOnHighlightColour(48, 32, 8);  // the highlight is the stars' own orange
const QColor kOutlineColour(120, 120, 126);

QPainterPath starPath(int pixels) {
  const double outer = pixels / 2.0 - 0.75;
  const double inner = outer * 0.42;
  const QPointF centre(pixels / 2.0, pixels / 2.0 + outer * 0.06);  // a star's weight sits low
  QPainterPath path;
  for (int point = 0; point < 10; ++point) {
    const double radius = point % 2 == 0 ? outer : inner;
    const double angle = -std::numbers::pi / 2 + point * std::numbers::pi / 5;
    const QPointF corner = centre + QPointF(radius * std::cos(angle), radius * std::sin(angle));
    if (point == 0) {
      path.moveTo(corner);
    } else {
      path.lineTo(corner);
    }
  }
  path.closeSubpath();
  return path;
}

QImage starImage(int pixels, bool filled, const QColor& colour) {
  QImage image(pixels, pixels, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  const QPainterPath path = starPath(pixels);
  if (filled) {
    painter.fillPath(path, colour);
  } else {
    painter.strokePath(path, QPen(colour, 1.0));
  }
  return image;
}

}  // namespace

RatingStars::RatingStars(int starPixels)
    : filled_(starImage(starPixels, true, kFilledColour)),
      filledOnHighlight_(starImage(starPixels, true, kFilledOnHighlightColour)),
      empty_(starImage(starPixels, false, kOutlineColour)) {}

QSize RatingStars::size() const {
  return {kStars * filled_.width() + (kStars - 1) * kGapPixels, filled_.height()};
}

QRect RatingStars::starRect(QPoint origin, int k) const {
  return {origin + QPoint((k - 1) * (filled_.width() + kGapPixels), 0), filled_.size()};
}

void RatingStars::paint(QPainter& painter, const QRect& area, int rating, bool highlighted) const {
  const QPoint origin(area.left(), area.top() + (area.height() - filled_.height()) / 2);
  const QImage& filled = highlighted ? filledOnHighlight_ : filled_;
  for (int k = 1; k <= kStars; ++k) painter.drawImage(starRect(origin, k), rating >= k ? filled : empty_);
}

}  // namespace gm

#pragma once
// The rating column's images: five stars side by side, star k filled when the rating is at least k,
// otherwise drawn as an outline. The two star images are drawn once, at the size the list asks for.

#include <QImage>
#include <QRect>
#include <QSize>

class QPainter;

namespace gm {

class RatingStars {
 public:
  static constexpr int kStars = 5;
  static constexpr int kGapPixels = 2;

  explicit RatingStars(int starPixels);

  // The five stars' size.
  QSize size() const;
  // Where star k (1..5) is drawn when the stars start at `origin`.
  QRect starRect(QPoint origin, int k) const;
  // [main-thread] Draws the five stars for `rating` (0..5), left-aligned and centred vertically in
  // `area`; on a highlighted row the filled stars are dark, so they stand out from the highlight.
  void paint(QPainter& painter, const QRect& area, int rating, bool highlighted = false) const;

  const QImage& filled() const { return filled_; }
  const QImage& empty() const { return empty_; }

 private:
  QImage filled_;
  QImage filledOnHighlight_;
  QImage empty_;
};

}  // namespace gm

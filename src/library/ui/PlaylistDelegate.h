#pragma once
// Draws the playlist's cells: the rating column as five stars, and every cell of an entry a deck has
// loaded in a greyed pen, so the DJ sees at a glance what was already played.

#include <QStyledItemDelegate>

#include "library/ui/RatingStars.h"

namespace gm {

class PlaylistDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  // Stars as tall as a line of the list's text.
  PlaylistDelegate(int starPixels, QObject* parent = nullptr);

  const RatingStars& stars() const { return stars_; }
  // The left padding of the stars within their cell.
  static constexpr int kMarginPixels = 4;

  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

 private:
  RatingStars stars_;
};

}  // namespace gm

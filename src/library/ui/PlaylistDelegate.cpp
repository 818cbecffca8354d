#include "library/ui/PlaylistDelegate.h"

#include <QApplication>
#include <QPainter>

#include "library/Playlist.h"

namespace gm {
namespace {

// Halfway between the text and the background: clearly greyed on any palette.
QColor greyed(const QPalette& palette, QPalette::ColorRole text, QPalette::ColorRole background) {
  const QColor a = palette.color(text);
  const QColor b = palette.color(background);
  return QColor((a.red() + b.red()) / 2, (a.green() + b.green()) / 2, (a.blue() + b.blue()) / 2);
}

}  // namespace

PlaylistDelegate::PlaylistDelegate(int starPixels, QObject* parent) : QStyledItemDelegate(parent), stars_(starPixels) {}

void PlaylistDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!index.data(Playlist::kLoadedRole).toBool()) return;
  option->palette.setColor(QPalette::Text, greyed(option->palette, QPalette::Text, QPalette::Base));
  option->palette.setColor(QPalette::HighlightedText,
                           greyed(option->palette, QPalette::HighlightedText, QPalette::Highlight));
}

void PlaylistDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QStyledItemDelegate::paint(painter, option, index);  // background, selection and text
  if (index.column() != Playlist::kRating) return;
  const QRect area = option.rect.adjusted(kMarginPixels, 0, 0, 0);
  painter->save();
  painter->setClipRect(option.rect);
  if (index.data(Playlist::kLoadedRole).toBool()) painter->setOpacity(0.5);
  stars_.paint(*painter, area, index.data(Playlist::kRatingRole).toInt(), option.state.testFlag(QStyle::State_Selected));
  painter->restore();
}

QSize PlaylistDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  const QSize text = QStyledItemDelegate::sizeHint(option, index);
  if (index.column() != Playlist::kRating) return text;
  return {stars_.size().width() + 2 * kMarginPixels, std::max(text.height(), stars_.size().height())};
}

}  // namespace gm

#pragma once
// The playlist as the DJ narrows it down by typing: only entries whose title or artist hold every
// word typed (in any letter case) are shown, in the playlist's own order. With no words, all are.

#include <QSortFilterProxyModel>
#include <QStringList>

namespace gm {

class Playlist;

class PlaylistFilter : public QSortFilterProxyModel {
  Q_OBJECT
 public:
  explicit PlaylistFilter(Playlist& playlist, QObject* parent = nullptr);

  // [main-thread]
  void setText(const QString& text);
  const QString& text() const { return text_; }
  // [main-thread] The row the entry at `playlistRow` is shown at; -1 when it is hidden or none.
  int shownRow(int playlistRow) const;
  // [main-thread] The playlist row of the entry shown at `row`.
  int playlistRow(int row) const;

 protected:
  bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

 private:
  Playlist& playlist_;
  QString text_;
  QStringList words_;
};

}  // namespace gm

#include "library/PlaylistFilter.h"

#include "library/Playlist.h"

namespace gm {

PlaylistFilter::PlaylistFilter(Playlist& playlist, QObject* parent) : QSortFilterProxyModel(parent), playlist_(playlist) {
  setSourceModel(&playlist_);
}

void PlaylistFilter::setText(const QString& text) {
  if (text == text_) return;
  text_ = text;
  words_ = text.simplified().split(' ', Qt::SkipEmptyParts);
  invalidateRowsFilter();
}

int PlaylistFilter::shownRow(int playlistRow) const {
  if (playlistRow < 0) return -1;
  return mapFromSource(playlist_.index(playlistRow, 0)).row();
}

int PlaylistFilter::playlistRow(int row) const { return mapToSource(index(row, 0)).row(); }

bool PlaylistFilter::filterAcceptsRow(int sourceRow, const QModelIndex&) const {
  if (words_.isEmpty()) return true;
  const PlaylistEntry& entry = playlist_.entry(sourceRow);
  for (const QString& word : words_) {
    if (!entry.title.contains(word, Qt::CaseInsensitive) && !entry.artist.contains(word, Qt::CaseInsensitive)) {
      return false;
    }
  }
  return true;
}

}  // namespace gm

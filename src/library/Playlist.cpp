#include "library/Playlist.h"

#include <algorithm>
#include <unordered_map>

#include <QFile>
#include <QMimeData>

#include "core/CatalogTable.h"
#include "tracks/TrackMime.h"

namespace gm {
namespace {

int sign(std::int64_t value) { return (value > 0) - (value < 0); }

Msg columnTitle(int column) {
  static constexpr Msg kTitles[] = {Msg::PlaylistTitleColumn, Msg::PlaylistTimeColumn,  Msg::PlaylistBpmColumn,
                                    Msg::PlaylistRatingColumn, Msg::PlaylistAlbumColumn, Msg::PlaylistArtistColumn};
  return kTitles[column];
}

QVariant displayText(const PlaylistEntry& entry, int column) {
  switch (column) {
    case Playlist::kTitle:
      return entry.title;
    case Playlist::kTime:
      return entry.timeText;
    case Playlist::kBpm:
      return entry.bpmText;
    case Playlist::kAlbum:
      return entry.album;
    case Playlist::kArtist:
      return entry.artist;
    default:
      return {};  // the rating is drawn, not written
  }
}

}  // namespace

Playlist::Playlist(TrackDatabase database, QObject* parent) : QAbstractTableModel(parent), database_(std::move(database)) {}

Playlist::~Playlist() = default;

int Playlist::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : size(); }

int Playlist::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QVariant Playlist::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= size()) return {};
  const PlaylistEntry& item = entry(index.row());
  switch (role) {
    case Qt::DisplayRole:
      return displayText(item, index.column());
    case Qt::ToolTipRole:
      if (index.column() == kRating) return ratingName(item.rating);
      return QFile::decodeName(item.nativePath);
    case Qt::TextAlignmentRole:
      if (index.column() == kTime || index.column() == kBpm) return int(Qt::AlignRight | Qt::AlignVCenter);
      return {};
    case kRatingRole:
      return item.rating;
    case kLoadedRole:
      return item.loaded;
    default:
      return {};
  }
}

QVariant Playlist::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= kColumnCount) return {};
  return msg(columnTitle(section));
}

Qt::ItemFlags Playlist::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsDragEnabled | Qt::ItemNeverHasChildren;
}

QStringList Playlist::mimeTypes() const { return {TrackMime::kFormat}; }

QMimeData* Playlist::mimeData(const QModelIndexList& indexes) const {
  if (indexes.isEmpty() || !indexes.front().isValid()) return nullptr;
  return TrackMime::encode(entry(indexes.front().row()).trackEntry());
}

void Playlist::append(std::vector<PlaylistEntry> entries) {
  if (entries.empty()) return;
  beginInsertRows({}, size(), size() + int(entries.size()) - 1);
  for (PlaylistEntry& item : entries) entries_.push_back(std::make_unique<PlaylistEntry>(std::move(item)));
  endInsertRows();
}

void Playlist::remove(int row) {
  if (row < 0 || row >= size()) return;
  const int active = activeRow_;
  beginRemoveRows({}, row, row);
  entries_.erase(entries_.begin() + row);
  activeRow_ = active == row ? -1 : active > row ? active - 1 : active;
  endRemoveRows();
  if (activeRow_ != active) Q_EMIT activeRowChanged(activeRow_);
}

void Playlist::clear() {
  beginResetModel();
  entries_.clear();
  const bool hadActive = activeRow_ >= 0;
  activeRow_ = -1;
  endResetModel();
  if (hadActive) Q_EMIT activeRowChanged(-1);
}

void Playlist::setActiveRow(int row) {
  if (row < 0 || row >= size()) row = -1;
  if (row == activeRow_) return;
  activeRow_ = row;
  Q_EMIT activeRowChanged(row);
}

void Playlist::clickColumn(int column) {
  if (column < 0 || column >= kColumnCount) return;
  if (column == sortColumn_) {
    sortDirection_ = -sortDirection_;
  } else {
    sortColumn_ = column;
  }
  sortEntries();
  Q_EMIT sorted(sortColumn_, sortDirection_);
}

int Playlist::compare(const PlaylistEntry& a, const PlaylistEntry& b, int column) {
  switch (column) {
    case kTime:
      return sign(a.timeText.compare(b.timeText, Qt::CaseInsensitive));
    case kBpm:  // numbers compared, not subtracted: stored values span the whole 32-bit range
      return sign(std::int64_t(a.bpm) - b.bpm);
    case kRating:
      return sign(std::int64_t(a.rating) - b.rating);
    case kAlbum:
      return sign(a.album.compare(b.album, Qt::CaseInsensitive));
    case kArtist:
      return sign(a.artist.compare(b.artist, Qt::CaseInsensitive));
    default:
      return sign(a.title.compare(b.title, Qt::CaseInsensitive));
  }
}

QString Playlist::ratingName(std::int32_t rating) {
  return msg(Msg(int(Msg::Rating0) + std::clamp(rating, 0, kMaxRating)));
}

// Views keep their selection and the active entry stays the same entry, wherever it moves.
void Playlist::sortEntries() {
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  std::vector<const PlaylistEntry*> held;
  for (const QModelIndex& index : before) held.push_back(entries_[std::size_t(index.row())].get());
  const PlaylistEntry* active = activeRow_ >= 0 ? entries_[std::size_t(activeRow_)].get() : nullptr;

  std::stable_sort(entries_.begin(), entries_.end(), [this](const auto& a, const auto& b) {
    return compare(*a, *b, sortColumn_) * sortDirection_ < 0;
  });

  std::unordered_map<const PlaylistEntry*, int> rowOf;
  for (int row = 0; row < size(); ++row) rowOf[entries_[std::size_t(row)].get()] = row;
  QModelIndexList after;
  for (int i = 0; i < before.size(); ++i) after << index(rowOf.at(held[std::size_t(i)]), before[i].column());
  changePersistentIndexList(before, after);
  const int oldActive = activeRow_;
  activeRow_ = active ? rowOf.at(active) : -1;
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
  if (activeRow_ != oldActive) Q_EMIT activeRowChanged(activeRow_);
}

bool Playlist::setRating(std::int32_t rating) {
  if (activeRow_ < 0 || rating < 0 || rating > kMaxRating) return false;
  PlaylistEntry& item = *entries_[std::size_t(activeRow_)];
  item.rating = rating;
  entryChanged(activeRow_);
  TrackDatabase::Failure failure;
  if (database_.upsert(TrackDatabase::Table::Rating, item.digest, rating, &failure)) return true;
  if (!failure.path.isEmpty()) Q_EMIT notice(msg(Msg::StatusRatingNotStored).arg(failure.path, failure.reason));
  return false;
}

void Playlist::markLoaded(int row) {
  if (row < 0 || row >= size() || entry(row).loaded) return;
  entries_[std::size_t(row)]->loaded = true;
  entryChanged(row);
}

void Playlist::trackStored(const TrackDigest& digest) {
  std::int32_t bpm = 0;
  bool looked = false;
  for (int row = 0; row < size(); ++row) {
    PlaylistEntry& item = *entries_[std::size_t(row)];
    if (item.digest != digest) continue;
    if (!looked) bpm = database_.lookup(TrackDatabase::Table::Bpm, digest);
    looked = true;
    item.loaded = true;
    item.setBpm(bpm);
    entryChanged(row);
  }
}

void Playlist::entryChanged(int row) { Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1)); }

}  // namespace gm

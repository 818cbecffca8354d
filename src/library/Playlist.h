#pragma once
// The playlist: the tracks a DJ loads decks from, one entry per audio file, in list order. It keeps
// the active entry, sorts by a column, stores ratings in the track database and knows which entries
// a deck has loaded. Views show it through Qt's item-model interface; the main thread alone touches
// it (the playlist's loader builds entries on its own thread and hands them over by posting).

#include <cstdint>
#include <memory>
#include <vector>

#include <QAbstractTableModel>
#include <QString>

#include "tracks/PlaylistEntry.h"
#include "tracks/TrackDatabase.h"

namespace gm {

class Playlist : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kTitle, kTime, kBpm, kRating, kAlbum, kArtist, kColumnCount };
  enum Role { kRatingRole = Qt::UserRole + 1, kLoadedRole };
  static constexpr std::int32_t kMaxRating = 5;

  explicit Playlist(TrackDatabase database, QObject* parent = nullptr);
  ~Playlist() override;

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  // A dragged row: the track a deck loads from it (TrackMime).
  QMimeData* mimeData(const QModelIndexList& indexes) const override;

  // [main-thread] The entries.
  int size() const { return int(entries_.size()); }
  const PlaylistEntry& entry(int row) const { return *entries_[std::size_t(row)]; }
  // [main-thread] Appends at the bottom, in the given order.
  void append(std::vector<PlaylistEntry> entries);
  void remove(int row);
  void clear();

  // [main-thread] The active entry (the one the media operations act on); -1 when there is none.
  int activeRow() const { return activeRow_; }
  // [main-thread] A row outside the list makes none active.
  void setActiveRow(int row);

  // [main-thread] A click on a column's title: the first selects the column, a click on the column
  // already selected reverses the direction; then the list is sorted.
  void clickColumn(int column);
  int sortColumn() const { return sortColumn_; }
  int sortDirection() const { return sortDirection_; }
  // Sign of the order of two entries by a column: the texts compared without regard to case, the
  // tempo and the rating by their numbers.
  static int compare(const PlaylistEntry& a, const PlaylistEntry& b, int column);
  // The name of a rating (0..5) in the rating menu.
  static QString ratingName(std::int32_t rating);

  // [main-thread] Rates the active entry (0..5) and stores the rating in rating.db. False when no
  // entry is active, the value is out of range, or it could not be stored (a notice says why; the
  // list shows the new rating all the same).
  bool setRating(std::int32_t rating);
  // [main-thread] The entry was handed to a deck: it shows greyed.
  void markLoaded(int row);
  // [main-thread] A deck finished loading the track with this digest, or stored its tempo: its
  // entries show greyed and their tempo is read again.
  void trackStored(const TrackDigest& digest);

 Q_SIGNALS:
  void activeRowChanged(int row);
  void sorted(int column, int direction);
  void notice(const QString& text);

 private:
  void sortEntries();
  void entryChanged(int row);

  TrackDatabase database_;
  std::vector<std::unique_ptr<PlaylistEntry>> entries_;  // pointers: sorting keeps track of entries
  int activeRow_ = -1;
  int sortColumn_ = kTitle;
  int sortDirection_ = 1;
};

}  // namespace gm

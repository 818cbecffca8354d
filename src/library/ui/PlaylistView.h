#pragma once
// The playlist below the decks: the six columns ("Title", "Time", "BPM", "Rating", "Album",
// "Artist") with a filter box and the list's buttons beside them. A click on a column's title sorts
// by it (again: reversed); the context menu "Media" rates the entry and holds the list's operations;
// a double click loads the entry into a free deck and a row dragged onto a deck loads there. It shows
// the media panel's models and calls their operations; it holds no behaviour of its own.

#include <QWidget>

class QLineEdit;
class QMenu;

namespace gm {

class Directories;
class MediaPanel;
class PlaylistDelegate;
class PlaylistTable;
class Settings;

class PlaylistView : public QWidget {
  Q_OBJECT
 public:
  // The panel, settings and directories outlive the view.
  PlaylistView(MediaPanel& panel, Settings& settings, const Directories& directories, QWidget* parent = nullptr);

  PlaylistTable& table() { return *table_; }
  QLineEdit& filterBox() { return *filter_; }
  const PlaylistDelegate& delegate() const { return *delegate_; }
  // [main-thread] The context menu "Media" for the active entry; the caller owns it.
  QMenu* createMediaMenu(QWidget* parent);

  // [main-thread] The requesters: "Add Tracks", "Load Playlist", "Save Playlist".
  void addTracks();
  void loadPlaylist();
  void savePlaylist();

 private:
  QWidget* buildBar();
  void buildTable();
  void showActiveRow(int playlistRow);
  void followCurrentRow(const QModelIndex& current);
  void showSortIndicator(int column, int direction);
  void applyColumnSettings();
  void openMenu(const QPoint& position);
  QString playlistDirectory() const;

  MediaPanel& panel_;
  Settings& settings_;
  const Directories& directories_;
  QLineEdit* filter_ = nullptr;
  PlaylistTable* table_ = nullptr;
  PlaylistDelegate* delegate_ = nullptr;
  bool showingActive_ = false;  // the table follows the model: its change is no user's choice
};

}  // namespace gm

#pragma once
// The playlist's rows: a table that drags its current row as a track (see TrackMime) and tells when a
// deck took it.

#include <QTableView>

namespace gm {

class PlaylistTable : public QTableView {
  Q_OBJECT
 public:
  explicit PlaylistTable(QWidget* parent = nullptr);

 Q_SIGNALS:
  // A deck loaded the row dropped on it (the row of the table's model).
  void rowLoadedByDrop(int row);

 protected:
  void startDrag(Qt::DropActions supportedActions) override;
};

}  // namespace gm

#include "library/ui/PlaylistTable.h"

#include <QDrag>
#include <QMimeData>
#include <QPersistentModelIndex>

namespace gm {

PlaylistTable::PlaylistTable(QWidget* parent) : QTableView(parent) {
  setDragEnabled(true);
  setDragDropMode(QAbstractItemView::DragOnly);
}

void PlaylistTable::startDrag(Qt::DropActions) {
  const QModelIndex current = currentIndex();
  if (!current.isValid()) return;
  QMimeData* data = model()->mimeData({current});
  if (data == nullptr) return;
  const QPersistentModelIndex dragged(current);  // rows may arrive while the drag is under way
  auto* drag = new QDrag(this);
  drag->setMimeData(data);
  // A deck accepts the drop only once its load has started.
  if (drag->exec(Qt::CopyAction) == Qt::CopyAction && dragged.isValid()) Q_EMIT rowLoadedByDrop(dragged.row());
}

}  // namespace gm

#include "tracks/ui/TrackDrop.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>
#include <QWidget>

#include "tracks/Deck.h"
#include "tracks/TrackEntry.h"
#include "tracks/TrackMime.h"

namespace gm {

TrackDrop::TrackDrop(Deck& deck, QWidget& widget) : QObject(&widget), deck_(deck) {}

void TrackDrop::install(QWidget& widget, Deck& deck) {
  widget.setAcceptDrops(true);
  widget.installEventFilter(new TrackDrop(deck, widget));
}

QByteArray TrackDrop::firstLocalFile(const QMimeData* data) {
  if (!data || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile() || !(url.host().isEmpty() || url.host() == "localhost")) continue;
    // Decoding the path to text would replace bytes that are not UTF-8: the name would no longer
    // match the file.
    const QByteArray path = QByteArray::fromPercentEncoding(url.path(QUrl::FullyEncoded).toLatin1());
    if (!path.isEmpty()) return path;
  }
  return {};
}

std::optional<TrackEntry> TrackDrop::droppedTrack(const QMimeData* data) {
  if (std::optional<TrackEntry> track = TrackMime::decode(data)) return track;
  const QByteArray path = firstLocalFile(data);
  if (path.isEmpty()) return std::nullopt;
  return TrackEntry::fromNativePath(path);
}

bool TrackDrop::acceptable(const Deck& deck, const QMimeData* data) {
  return !deck.playing() && !deck.busy() && droppedTrack(data).has_value();
}

bool TrackDrop::load(Deck& deck, const QMimeData* data) {
  const std::optional<TrackEntry> track = droppedTrack(data);
  return track && deck.loadEntry(*track);
}

bool TrackDrop::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDragMoveEvent*>(event);
      if (acceptable(deck_, drag->mimeData())) {
        drag->acceptProposedAction();
      } else {
        drag->ignore();
      }
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (load(deck_, drop->mimeData())) {
        drop->acceptProposedAction();
      } else {
        drop->ignore();
      }
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}

}  // namespace gm

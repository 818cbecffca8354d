#pragma once
// Audio files dragged from a file manager (text/uri-list) or playlist rows (TrackMime) dropped on any
// of a deck's widgets load into that deck. The drag is refused up front while the deck plays or
// loads, so the pointer tells the user before they let go; whether the file really is audio is the
// decoder's call, whose complaint then shows in the deck's title line.

#include <optional>

#include <QByteArray>
#include <QObject>

#include "tracks/TrackEntry.h"

class QMimeData;
class QWidget;

namespace gm {

class Deck;

class TrackDrop : public QObject {
  Q_OBJECT
 public:
  // [main-thread] Makes `widget` take drops for `deck`; the filter belongs to the widget.
  static void install(QWidget& widget, Deck& deck);

  // The first local file among the dragged URLs, as the bytes the system names it by (a URL carries
  // them percent-encoded, whether or not they are UTF-8); empty when there is none.
  static QByteArray firstLocalFile(const QMimeData* data);
  // The track a drag carries: a playlist row with its title line, else the first local file.
  static std::optional<TrackEntry> droppedTrack(const QMimeData* data);
  // [main-thread] The deck would take this drop now.
  static bool acceptable(const Deck& deck, const QMimeData* data);
  // [main-thread] Loads the dropped track into the deck; false when there is none or the deck
  // refused (playing or loading).
  static bool load(Deck& deck, const QMimeData* data);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TrackDrop(Deck& deck, QWidget& widget);

  Deck& deck_;
};

}  // namespace gm

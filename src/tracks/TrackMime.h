#pragma once
// A track dragged inside the program, as a playlist row dragged onto a deck: the file's name as bytes
// and the texts of the deck's title line, in a format of the program's own. Drops from other programs
// carry plain file URLs instead (see TrackDrop).

#include <optional>

#include <QString>

#include "tracks/TrackEntry.h"

class QMimeData;

namespace gm {

class TrackMime {
 public:
  static const QString kFormat;

  // The drag's data for one track; the caller owns it.
  static QMimeData* encode(const TrackEntry& entry);
  // The track a drag carries; nullopt when it carries none or its data is damaged.
  static std::optional<TrackEntry> decode(const QMimeData* data);
};

}  // namespace gm

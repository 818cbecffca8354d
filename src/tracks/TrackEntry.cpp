#include "tracks/TrackEntry.h"

#include <QFileInfo>
#include <QStringList>

namespace gm {

TrackEntry TrackEntry::fromPath(const QString& path) {
  TrackEntry entry;
  entry.path = path;
  entry.title = QFileInfo(path).fileName();
  return entry;
}

QString TrackEntry::titleLine() const {
  QStringList parts;
  for (const QString& part : {album, title, artist}) {
    if (!part.isEmpty()) parts << part;
  }
  return parts.join(" - ");
}

}  // namespace gm

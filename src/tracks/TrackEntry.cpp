#include "tracks/TrackEntry.h"

#include <QFile>
#include <QStringList>

namespace gm {

TrackEntry TrackEntry::fromNativePath(const QByteArray& nativePath) {
  TrackEntry entry;
  entry.nativePath = nativePath;
  entry.title = entry.fileName();
  return entry;
}

TrackEntry TrackEntry::fromPath(const QString& path) { return fromNativePath(QFile::encodeName(path)); }

QString TrackEntry::fileName() const {
  return QFile::decodeName(nativePath.mid(nativePath.lastIndexOf('/') + 1));
}

QString TrackEntry::titleLine() const {
  QStringList parts;
  for (const QString& part : {album, title, artist}) {
    if (!part.isEmpty()) parts << part;
  }
  return parts.join(" - ");
}

}  // namespace gm

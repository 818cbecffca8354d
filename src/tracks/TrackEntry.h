#pragma once
// What a deck needs to load a track: the file and the texts of its title line. The playlist builds
// these from its entries; a file given on the command line or dropped on a deck becomes one directly.

#include <QByteArray>
#include <QString>

namespace gm {

struct TrackEntry {
  // The file's name as the system knows it: bytes, kept as they are, since a name need not be valid
  // UTF-8 (a file from an old disk or another system) and must still open.
  QByteArray nativePath;
  QString title;
  QString artist;
  QString album;

  static TrackEntry fromNativePath(const QByteArray& nativePath);
  // A name in Qt's text (from a dialog, a list, a test): encoded as the system names files.
  static TrackEntry fromPath(const QString& path);
  // The file's name without its directories, fit for display (bytes that are no text show as
  // replacement characters).
  QString fileName() const;
  // The deck's title line: album, title and artist joined by " - " (parts that are empty are left
  // out, so a bare file shows just its name).
  QString titleLine() const;
};

}  // namespace gm

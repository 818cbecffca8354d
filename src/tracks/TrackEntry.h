#pragma once
// What a deck needs to load a track: the file and the texts of its title line. The playlist builds
// these from its entries; a file given on the command line or dropped on a deck becomes one directly.

#include <QString>

namespace gm {

struct TrackEntry {
  QString path;
  QString title;
  QString artist;
  QString album;

  static TrackEntry fromPath(const QString& path);
  // The deck's title line: album, title and artist joined by " - " (parts that are empty are left
  // out, so a bare file shows just its name).
  QString titleLine() const;
};

}  // namespace gm

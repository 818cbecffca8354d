#pragma once
// Playlist files: plain text, one file path per line, each ended by a line feed, in list order and
// nothing else (tempo and rating come back from the track database when the files are added again).
// Paths are the system's bytes, written and read as they are.

#include <optional>

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

namespace gm {

class PlaylistFile {
 public:
  // The longest line that can name a file (the system's path limit, without the terminating zero).
  static constexpr qsizetype kMaxLineBytes = 4095;

  struct Saved {
    bool ok = false;
    QString error;        // why it was not saved
    int leftOut = 0;      // paths a line cannot hold (they contain a line feed)
  };
  // [any-thread] Replaces the file at `path` as a whole (never half-written).
  static Saved save(const QString& path, const QByteArrayList& paths);

  // [any-thread] The lines of the file at `path` that name files on volumes present now (see
  // countedLines); nullopt, with `error` set, when it cannot be read.
  static std::optional<QByteArrayList> read(const QString& path, QString* error = nullptr);

  // The lines of a playlist file's content that count: those that begin with one of `volumes`
  // compared without regard to letter case. A last line without its line feed counts whole; a line
  // longer than kMaxLineBytes names no file and is left out.
  static QByteArrayList countedLines(const QByteArray& content, const QByteArrayList& volumes);
  // [any-thread] The volumes present now: every directory at the top of the file system, as "/name/"
  // (a path counts when its top-level directory exists, as a volume's name counts when the volume
  // is mounted).
  static QByteArrayList presentVolumes();
};

}  // namespace gm

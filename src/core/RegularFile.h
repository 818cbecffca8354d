#pragma once
// Reading files the program did not make itself (catalogs, settings, preferences, tracks, lists)
// without ever blocking on something that only looks like a file: a FIFO or a device would make a
// plain open() or read() wait forever. Only regular files are opened, and without waiting.

#include <optional>

#include <QByteArray>
#include <QString>

namespace gm {

class RegularFile {
 public:
  // [any-thread] A descriptor open for reading (close-on-exec, blocking reads) when `path` names a
  // regular file; -1 otherwise, with `error` saying why ("Not a file", "File not found", ...).
  static int openForReading(const QByteArray& path, QString* error = nullptr);
  // [any-thread] As openForReading(), but open for reading and writing; a missing file is created
  // (mode 0666 less the umask). For files the program updates in place.
  static int openForUpdate(const QByteArray& path, QString* error = nullptr);

  // [any-thread] The whole content of a regular file of at most `maxBytes`; nullopt otherwise.
  static std::optional<QByteArray> read(const QString& path, qint64 maxBytes, QString* error = nullptr);
};

}  // namespace gm

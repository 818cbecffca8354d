#pragma once
// Stores a file so that it is always either the old content or the whole new content: the new
// content goes to a temporary file in the same directory, is flushed and synced to the disk, and is
// then renamed over the old file (the directory is synced too). A full disk, a read-only directory
// or a crash mid-write leaves the previous file as it was. Every file the program stores goes
// through here.

#include <functional>

#include <QByteArray>
#include <QString>

namespace gm {

class AtomicFile {
 public:
  // [any-thread] Replaces `path` by `bytes`. False, with `error` saying why, when it could not.
  static bool write(const QString& path, const QByteArray& bytes, QString* error = nullptr);

  // [any-thread] As write(), for content that a library writes to a file by name: `produce` writes
  // the whole new content to the temporary path it is given and returns false on failure.
  static bool writeWith(const QString& path, const std::function<bool(const QString& temporaryPath)>& produce,
                        QString* error = nullptr);
};

}  // namespace gm

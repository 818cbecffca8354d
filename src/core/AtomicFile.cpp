#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QFile>
#include <QFileInfo>

#include "core/CatalogTable.h"

namespace gm {
namespace {

QString describe(const char* step, int error) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(step), QString::fromLocal8Bit(std::strerror(error)));
}

bool fail(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
  return false;
}

bool writeAll(int fd, const QByteArray& bytes) {
  const char* data = bytes.constData();
  qsizetype left = bytes.size();
  while (left > 0) {
    const ssize_t written = ::write(fd, data, std::size_t(left));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    left -= written;
  }
  return true;
}

// Syncs the directory so that the rename itself survives a power loss.
void syncDirectory(const QByteArray& directory) {
  const int fd = ::open(directory.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

// A new, empty temporary file beside `path`, open for writing; -1 with errno set on failure.
int createTemporary(const QByteArray& path, QByteArray& temporary) {
  temporary = path + ".XXXXXX";
  return ::mkostemp(temporary.data(), O_CLOEXEC);
}

// Keeps the old file's permissions (mkostemp creates 0600); a new file gets 0644 less the umask.
void copyMode(const QByteArray& path, int fd) {
  struct stat old {};
  if (::stat(path.constData(), &old) == 0) {
    ::fchmod(fd, old.st_mode & 07777);
    return;
  }
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
}

bool commit(const QByteArray& path, const QByteArray& temporary, int fd, QString* error) {
  copyMode(path, fd);
  if (::fsync(fd) != 0) {
    const int saved = errno;
    ::close(fd);
    ::unlink(temporary.constData());
    return fail(error, describe("sync", saved));
  }
  if (::close(fd) != 0) {
    const int saved = errno;
    ::unlink(temporary.constData());
    return fail(error, describe("close", saved));
  }
  if (::rename(temporary.constData(), path.constData()) != 0) {
    const int saved = errno;
    ::unlink(temporary.constData());
    return fail(error, describe("rename", saved));
  }
  syncDirectory(QFile::encodeName(QFileInfo(QFile::decodeName(path)).absolutePath()));
  return true;
}

}  // namespace

bool AtomicFile::write(const QString& path, const QByteArray& bytes, QString* error) {
  const QByteArray name = QFile::encodeName(path);
  QByteArray temporary;
  const int fd = createTemporary(name, temporary);
  if (fd < 0) return fail(error, describe("create", errno));
  errno = 0;
  if (!writeAll(fd, bytes)) {
    const int saved = errno != 0 ? errno : ENOSPC;
    ::close(fd);
    ::unlink(temporary.constData());
    return fail(error, describe("write", saved));
  }
  return commit(name, temporary, fd, error);
}

bool AtomicFile::writeWith(const QString& path, const std::function<bool(const QString&)>& produce, QString* error) {
  const QByteArray name = QFile::encodeName(path);
  QByteArray temporary;
  int fd = createTemporary(name, temporary);
  if (fd < 0) return fail(error, describe("create", errno));
  ::close(fd);
  if (!produce(QFile::decodeName(temporary))) {
    ::unlink(temporary.constData());
    return fail(error, msg(Msg::ReasonWriteFailed));
  }
  // The producer may have replaced the file by name: reopen what is there now.
  fd = ::open(temporary.constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) {
    const int saved = errno;
    ::unlink(temporary.constData());
    return fail(error, describe("reopen", saved));
  }
  return commit(name, temporary, fd, error);
}

}  // namespace gm

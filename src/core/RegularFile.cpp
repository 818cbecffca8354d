#include "core/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include <QFile>

namespace gm {
namespace {

bool fail(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
  return false;
}

QString describe(int error) {
  if (error == ENOENT) return QStringLiteral("File not found");
  return QString::fromLocal8Bit(std::strerror(error));
}

// A descriptor for a regular file opened with `flags`; -1 for anything else.
int openRegular(const QByteArray& path, int flags, QString* error) {
  // O_NONBLOCK: opening a FIFO without a writer would wait for one.
  const int fd = ::open(path.constData(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) {
    fail(error, describe(errno));
    return -1;
  }
  struct stat info {};
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(fd);
    fail(error, QStringLiteral("Not a file"));
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

}  // namespace

int RegularFile::openForReading(const QByteArray& path, QString* error) { return openRegular(path, O_RDONLY, error); }

int RegularFile::openForUpdate(const QByteArray& path, QString* error) {
  return openRegular(path, O_RDWR | O_CREAT, error);
}

std::optional<QByteArray> RegularFile::read(const QString& path, qint64 maxBytes, QString* error) {
  const int fd = openForReading(QFile::encodeName(path), error);
  if (fd < 0) return std::nullopt;
  QByteArray content;
  char buffer[65536];
  for (;;) {
    const ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      fail(error, describe(errno));
      ::close(fd);
      return std::nullopt;
    }
    if (got == 0) break;
    if (content.size() + got > maxBytes) {
      fail(error, QStringLiteral("File too large"));
      ::close(fd);
      return std::nullopt;
    }
    content.append(buffer, got);
  }
  ::close(fd);
  return content;
}

}  // namespace gm

#include "tracks/RecordFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <functional>
#include <vector>

#include <QFile>

#include "core/RegularFile.h"

namespace gm {
namespace {

using Value = std::array<std::uint8_t, 4>;

// Records read at a time: files of a few thousand tracks take one read.
constexpr std::size_t kChunkBytes = 4096 * RecordFile::kRecordBytes;

QString describe(const char* step, int error) {
  return QStringLiteral("%1: %2").arg(QString::fromLatin1(step), QString::fromLocal8Bit(std::strerror(error)));
}

bool fail(QString* error, const QString& text) {
  if (error != nullptr) *error = text;
  return false;
}

class OpenFile {
 public:
  explicit OpenFile(int fd) : fd_(fd) {}
  ~OpenFile() {
    if (fd_ >= 0) ::close(fd_);
  }
  OpenFile(const OpenFile&) = delete;
  OpenFile& operator=(const OpenFile&) = delete;
  int fd() const { return fd_; }
  bool lock(int operation) const {
    int rc;
    while ((rc = ::flock(fd_, operation)) != 0 && errno == EINTR) {
    }
    return rc == 0;
  }

 private:
  int fd_;
};

Value encode(std::int32_t value) {
  const auto bits = std::uint32_t(value);
  return {std::uint8_t(bits >> 24), std::uint8_t(bits >> 16), std::uint8_t(bits >> 8), std::uint8_t(bits)};
}

std::int32_t decode(const std::uint8_t* bytes) {
  return std::int32_t(std::uint32_t(bytes[0]) << 24 | std::uint32_t(bytes[1]) << 16 | std::uint32_t(bytes[2]) << 8 |
                      std::uint32_t(bytes[3]));
}

// Reads up to `size` bytes at `offset`, less only at the end of the file; -1 on a read error.
ssize_t readAt(int fd, std::uint8_t* buffer, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = ::pread(fd, buffer + done, size - done, offset + off_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return -1;
    if (got == 0) break;
    done += std::size_t(got);
  }
  return ssize_t(done);
}

bool writeAt(int fd, const std::uint8_t* bytes, std::size_t size, off_t offset) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t written = ::pwrite(fd, bytes + done, size - done, offset + off_t(done));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      if (written == 0) errno = ENOSPC;
      return false;
    }
    done += std::size_t(written);
  }
  return true;
}

// Shows `visit` the whole records in file order (their offset and bytes) until it returns false.
// Returns the offset just past the last whole record, or -1 when reading failed.
off_t forEachRecord(int fd, const std::function<bool(off_t, const std::uint8_t*)>& visit) {
  std::vector<std::uint8_t> chunk(kChunkBytes);
  for (off_t offset = 0;;) {
    const ssize_t got = readAt(fd, chunk.data(), chunk.size(), offset);
    if (got < 0) return -1;
    const std::size_t whole = std::size_t(got) / RecordFile::kRecordBytes;
    for (std::size_t i = 0; i < whole; ++i) {
      const std::size_t at = i * RecordFile::kRecordBytes;
      if (!visit(offset + off_t(at), chunk.data() + at)) return offset + off_t(at + RecordFile::kRecordBytes);
    }
    offset += off_t(whole * RecordFile::kRecordBytes);
    if (std::size_t(got) < chunk.size()) return offset;
  }
}

bool sameDigest(const std::uint8_t* record, const TrackDigest& digest) {
  return std::memcmp(record, digest.data(), digest.size()) == 0;
}

bool appendRecord(int fd, const TrackDigest& digest, const Value& value, off_t end, QString* error) {
  std::array<std::uint8_t, RecordFile::kRecordBytes> record{};
  std::copy(value.begin(), value.end(), std::copy(digest.begin(), digest.end(), record.begin()));
  if (writeAt(fd, record.data(), record.size(), end)) return true;
  const int saved = errno;
  // Whatever part of the record reached the file goes again: the file ends on a whole record.
  if (::ftruncate(fd, end) != 0) return fail(error, describe("write", saved) + ", " + describe("truncate", errno));
  return fail(error, describe("write", saved));
}

}  // namespace

std::int32_t RecordFile::lookup(const QString& path, const TrackDigest& digest) {
  const OpenFile file(RegularFile::openForReading(QFile::encodeName(path)));
  if (file.fd() < 0 || !file.lock(LOCK_SH)) return 0;
  std::int32_t value = 0;
  forEachRecord(file.fd(), [&](off_t, const std::uint8_t* record) {
    if (!sameDigest(record, digest)) return true;
    value = decode(record + digest.size());
    return false;
  });
  return value;
}

bool RecordFile::upsert(const QString& path, const TrackDigest& digest, std::int32_t value, QString* error) {
  QString openError;
  const OpenFile file(RegularFile::openForUpdate(QFile::encodeName(path), &openError));
  if (file.fd() < 0) return fail(error, openError);
  if (!file.lock(LOCK_EX)) return fail(error, describe("lock", errno));
  const Value encoded = encode(value);
  bool matched = false;
  int writeError = 0;
  const off_t end = forEachRecord(file.fd(), [&](off_t offset, const std::uint8_t* record) {
    if (!sameDigest(record, digest)) return true;
    matched = true;
    if (writeAt(file.fd(), encoded.data(), encoded.size(), offset + off_t(digest.size()))) return true;
    writeError = errno;
    return false;
  });
  if (end < 0) return fail(error, describe("read", errno));
  if (writeError != 0) return fail(error, describe("write", writeError));
  if (!matched && !appendRecord(file.fd(), digest, encoded, end, error)) return false;
  if (::fdatasync(file.fd()) != 0) return fail(error, describe("sync", errno));
  return true;
}

}  // namespace gm

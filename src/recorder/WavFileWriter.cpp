#include "recorder/WavFileWriter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include <QDir>
#include <QtGlobal>
#include <QFile>

#include "audio/SampleBlock.h"
#include "recorder/RecordingFileName.h"
#include "recorder/WavFileHeader.h"

namespace gm {
namespace {

// Far more files than anyone starts within one second.
constexpr int kMaxNumberInOneSecond = 1000;

QString systemError(int errorNumber) { return qt_error_string(errorNumber); }

// A new file, or -1 with errno set; EEXIST when the name is taken.
int createExclusive(const QString& path) {
  int fd;
  do {
    fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  } while (fd < 0 && errno == EINTR);
  return fd;
}

}  // namespace

std::unique_ptr<WavFileWriter> WavFileWriter::create(const QString& directory, const QString& prefix,
                                                     const QDateTime& localTime, QString* error) {
  if (!QDir().mkpath(directory)) {
    *error = QString("%1: %2").arg(directory, systemError(errno));
    return nullptr;
  }
  for (int number = 1; number <= kMaxNumberInOneSecond; ++number) {
    const QString path = QDir(directory).filePath(RecordingFileName::make(prefix, localTime, number));
    const int fd = createExclusive(path);
    if (fd < 0 && errno == EEXIST) continue;
    if (fd < 0) {
      *error = QString("%1: %2").arg(path, systemError(errno));
      return nullptr;
    }
    std::unique_ptr<WavFileWriter> file(new WavFileWriter(fd, path));
    int headerError = file->writeHeader();
    // The header went in with pwrite(), which leaves the file's offset alone: the data follows it.
    if (headerError == 0 && ::lseek(fd, off_t(WavFileHeader::kBytes), SEEK_SET) >= 0) return file;
    if (headerError == 0) headerError = errno;
    *error = QString("%1: %2").arg(path, systemError(headerError));
    ::close(file->fd_);
    file->fd_ = -1;
    QFile::remove(path);  // not even a header: nothing worth keeping
    return nullptr;
  }
  *error = QString("%1: %2").arg(directory, systemError(EEXIST));
  return nullptr;
}

WavFileWriter::WavFileWriter(int fd, QString path) : fd_(fd), path_(std::move(path)) {}

WavFileWriter::~WavFileWriter() { finish(); }

bool WavFileWriter::append(const std::uint8_t* bytes, std::size_t count) {
  if (fd_ < 0) return false;
  if (!writeAll(bytes, count)) return false;
  if (dataBytes_ - headerDataBytes_ >= kHeaderLagBytes) return syncAndUpdateHeader();
  return true;
}

bool WavFileWriter::finish() {
  if (fd_ < 0) return error_.isEmpty();
  if (!syncAndUpdateHeader()) return false;  // the file is closed already
  const int closed = ::close(fd_);
  fd_ = -1;
  if (closed != 0) {
    error_ = QString("close: %1").arg(systemError(errno));
    return false;
  }
  return true;
}

bool WavFileWriter::writeAll(const std::uint8_t* bytes, std::size_t count) {
  while (count > 0) {
    const ssize_t written = ::write(fd_, bytes, count);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      fail("write", written < 0 ? errno : ENOSPC);
      return false;
    }
    dataBytes_ += std::uint64_t(written);
    bytes += written;
    count -= std::size_t(written);
  }
  return true;
}

int WavFileWriter::writeHeader() {
  const auto header = WavFileHeader::make(dataBytes_);
  ssize_t written;
  do {
    written = ::pwrite(fd_, header.data(), header.size(), 0);
  } while (written < 0 && errno == EINTR);
  if (written == ssize_t(header.size())) {
    headerDataBytes_ = dataBytes_;
    return 0;
  }
  return written < 0 ? errno : ENOSPC;
}

// The data first, then the header that claims it: after a power loss the header never states more
// than the disk holds.
bool WavFileWriter::syncAndUpdateHeader() {
  if (::fdatasync(fd_) != 0 && errno != EINVAL) {
    fail("sync", errno);
    return false;
  }
  if (const int headerError = writeHeader(); headerError != 0) {
    fail("write", headerError);
    return false;
  }
  return true;
}

// Keeps what was written in whole frames, says so in the header and closes: the file stays valid
// (a header that cannot be written any more still states no more than the disk holds).
void WavFileWriter::fail(const char* operation, int errorNumber) {
  error_ = QString("%1: %2").arg(operation, systemError(errorNumber));
  const std::uint64_t wholeFrames = dataBytes_ - dataBytes_ % kBytesPerFrame;
  if (wholeFrames != dataBytes_) {
    // A partial frame behind the header's count would be harmless; cutting it keeps the file tidy.
    [[maybe_unused]] const int ignored = ::ftruncate(fd_, off_t(WavFileHeader::kBytes + wholeFrames));
    dataBytes_ = wholeFrames;
  }
  writeHeader();
  ::fdatasync(fd_);
  ::close(fd_);
  fd_ = -1;
}

}  // namespace gm

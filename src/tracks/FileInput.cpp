#include "tracks/FileInput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <QByteArray>
#include <QString>

#include "core/RegularFile.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

namespace gm {
namespace {

// FFmpeg's own file reader reads in chunks of this size.
constexpr int kBufferBytes = 32768;

}  // namespace

std::unique_ptr<FileInput> FileInput::open(const std::string& path, std::function<bool()> cancelled,
                                           std::string& error) {
  QString reason;
  const int fd = RegularFile::openForReading(QByteArray::fromStdString(path), &reason);
  if (fd < 0) {
    error = reason.toStdString();
    return nullptr;
  }
  std::unique_ptr<FileInput> input(new FileInput(fd, std::move(cancelled)));
  auto* buffer = static_cast<unsigned char*>(av_malloc(kBufferBytes));
  if (buffer != nullptr) {
    input->context_ =
        avio_alloc_context(buffer, kBufferBytes, 0, input.get(), &FileInput::read, nullptr, &FileInput::seek);
  }
  if (input->context_ == nullptr) {
    av_free(buffer);
    error = "Not enough memory";
    return nullptr;
  }
  return input;
}

FileInput::~FileInput() {
  if (context_ != nullptr) {
    // The context may have replaced the buffer it was given.
    av_freep(&context_->buffer);
    avio_context_free(&context_);
  }
  if (fd_ >= 0) ::close(fd_);
}

int FileInput::read(void* opaque, std::uint8_t* buffer, int size) {
  auto* input = static_cast<FileInput*>(opaque);
  for (;;) {
    if (input->cancelled()) return AVERROR_EXIT;
    const ssize_t got = ::read(input->fd_, buffer, std::size_t(size));
    if (got > 0) return int(got);
    if (got == 0) return AVERROR_EOF;
    if (errno != EINTR) return AVERROR(errno);
  }
}

std::int64_t FileInput::seek(void* opaque, std::int64_t offset, int whence) {
  auto* input = static_cast<FileInput*>(opaque);
  if ((whence & AVSEEK_SIZE) != 0) {
    // The size now: a file that shrinks while it is decoded ends where its data ends.
    struct stat info {};
    return ::fstat(input->fd_, &info) == 0 ? std::int64_t(info.st_size) : AVERROR(errno);
  }
  const off_t at = ::lseek(input->fd_, off_t(offset), whence & ~AVSEEK_FORCE);
  return at < 0 ? AVERROR(errno) : std::int64_t(at);
}

}  // namespace gm

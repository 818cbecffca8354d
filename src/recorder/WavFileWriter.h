#pragma once
// One recording file on disk, from its creation to its finished header. The header's sizes follow
// the data once a second of audio, after the data itself is on the disk: a recording cut off by a
// crash or a power loss still plays up to about its last second. A write that fails (full disk,
// file-size limit, I/O error) leaves a valid file: the data is cut back to whole frames, the header
// states exactly that, and the file is closed. Used by one thread at a time.

#include <cstddef>
#include <cstdint>
#include <memory>

#include <QDateTime>
#include <QString>

namespace gm {

class WavFileWriter {
 public:
  // One second of audio: how far the header's sizes may lag behind the data.
  static constexpr std::uint64_t kHeaderLagBytes = 176400;

  // Creates the directory when missing and a new file in it named for `prefix` at `localTime`
  // (see RecordingFileName), never replacing an existing file, and writes a header of size 0.
  // nullptr, with `error` saying what failed, when it cannot.
  static std::unique_ptr<WavFileWriter> create(const QString& directory, const QString& prefix,
                                               const QDateTime& localTime, QString* error);
  // Finishes the file if finish() was not called.
  ~WavFileWriter();
  WavFileWriter(const WavFileWriter&) = delete;
  WavFileWriter& operator=(const WavFileWriter&) = delete;

  // Appends little-endian sample bytes. False once anything failed: the file is then finished as
  // described above and error() says why; later calls do nothing.
  bool append(const std::uint8_t* bytes, std::size_t count);
  // Writes the final sizes, syncs and closes. False when that or an earlier write failed.
  bool finish();

  const QString& path() const { return path_; }
  // Bytes of samples in the file (after a failure: what it keeps).
  std::uint64_t dataBytes() const { return dataBytes_; }
  const QString& error() const { return error_; }

 private:
  WavFileWriter(int fd, QString path);
  bool writeAll(const std::uint8_t* bytes, std::size_t count);
  int writeHeader();  // 0, or the error number
  bool syncAndUpdateHeader();
  void fail(const char* operation, int errorNumber);

  int fd_;
  const QString path_;
  std::uint64_t dataBytes_ = 0;
  std::uint64_t headerDataBytes_ = 0;  // what the header on disk states
  QString error_;
};

}  // namespace gm

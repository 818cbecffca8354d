#pragma once
// When a recording moves on to a new file. The "Filesize:" setting chooses a mode: 650 MiB (a CD's
// worth), 1 GiB, or the most the recordings directory's file system (and this process) allows; any
// other value records into one file without limit.

#include <cstdint>

#include <QString>

namespace gm {

class RecordingLimit {
 public:
  enum Mode : int { k650MiB = 0, k1GiB = 1, kFileSystemMaximum = 2 };

  // The largest data size of a 650 MiB and a 1 GiB file: its RIFF size (data + 36) stays below the
  // limit.
  static constexpr std::uint64_t k650MiBDataBytes = 650ull * 1024 * 1024 - 37;
  static constexpr std::uint64_t k1GiBDataBytes = (1ull << 30) - 37;
  // Every size field of a file split by the file system's maximum stays a positive signed 32-bit
  // number, which every reader of WAV files takes.
  static constexpr std::uint64_t kSigned32DataBytes = (1ull << 31) - 37;
  // The file system's maximum when it cannot be asked.
  static constexpr std::int64_t kUnknownFileSystemMaximum = 2147483647;

  // True when a block of `blockBytes` does not belong in the current file, which holds `dataBytes`
  // of samples behind its 44-byte header. `fileSystemMaximumBytes` matters to mode 2 only.
  static bool reached(int mode, std::uint64_t dataBytes, std::uint64_t blockBytes,
                      std::int64_t fileSystemMaximumBytes);

  // [any-thread] The largest file that can be written in `directory`: the file system's limit, or
  // the process's file-size limit (ulimit -f) when that is lower; kUnknownFileSystemMaximum when the
  // file system cannot be asked.
  static std::int64_t fileSystemMaximum(const QString& directory);
};

}  // namespace gm

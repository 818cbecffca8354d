#include "recorder/RecordingLimit.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

#include <QFile>

#include "recorder/WavFileHeader.h"

namespace gm {

bool RecordingLimit::reached(int mode, std::uint64_t dataBytes, std::uint64_t blockBytes,
                             std::int64_t fileSystemMaximumBytes) {
  const std::uint64_t after = dataBytes + blockBytes;
  switch (mode) {
    case k650MiB:
      return after > k650MiBDataBytes;
    case k1GiB:
      return after > k1GiBDataBytes;
    case kFileSystemMaximum: {
      // The whole file, header included, must fit: a file the file system refuses to grow would
      // end the recording with a write error instead of a new file.
      const std::int64_t room = std::max<std::int64_t>(fileSystemMaximumBytes - std::int64_t(WavFileHeader::kBytes), 0);
      return after > std::uint64_t(room) || after > kSigned32DataBytes;
    }
    default:
      return false;
  }
}

std::int64_t RecordingLimit::fileSystemMaximum(const QString& directory) {
  const long bits = pathconf(QFile::encodeName(directory).constData(), _PC_FILESIZEBITS);
  std::int64_t maximum = kUnknownFileSystemMaximum;
  if (bits >= 64) {
    maximum = std::numeric_limits<std::int64_t>::max();
  } else if (bits > 1) {
    maximum = (std::int64_t(1) << (bits - 1)) - 1;  // the bits hold the size as a signed number
  }
  rlimit limit{};
  if (getrlimit(RLIMIT_FSIZE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY &&
      limit.rlim_cur < rlim_t(maximum)) {
    maximum = std::int64_t(limit.rlim_cur);
  }
  return maximum;
}

}  // namespace gm

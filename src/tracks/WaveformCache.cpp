#include "tracks/WaveformCache.h"

#include <bzlib.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <optional>

#include <QFile>
#include <QFileInfo>

#include "core/AtomicFile.h"
#include "core/Directories.h"
#include "core/RegularFile.h"
#include "core/Settings.h"
#include "tracks/SampleData.h"

namespace gm {
namespace {

constexpr int kBlockSize100k = 9;
constexpr int kVerbosity = 0;
constexpr int kWorkFactor = 0;  // the library's default
constexpr int kSmall = 0;

// The largest compressed form of `bytes` bytes that the store ever writes: bzip2 grows data that
// does not compress by at most 1 % plus 600 bytes.
std::size_t compressedBound(std::size_t bytes) { return static_cast<std::size_t>(double(bytes) * 1.01) + 600; }

std::uint32_t toBigEndian(std::uint32_t word) {
  if constexpr (std::endian::native == std::endian::little) return __builtin_bswap32(word);
  return word;
}

// bzip2 refuses null buffers even for zero bytes: an empty band gets a byte to point at.
char* bufferOf(char* data, char& spare) { return data != nullptr ? data : &spare; }

}  // namespace

const std::size_t WaveformCache::kLargestFileBytes =
    compressedBound(std::size_t(std::numeric_limits<std::int32_t>::max() / 4 / SampleData::kBlockFrames) * sizeof(float));

void WaveformCache::defineSettings(gm::Settings& settings) {
  settings.define(kWaveformCacheOnSettingId, false);
  settings.define(kWaveformCacheDirectorySettingId, kDefaultWaveformCacheDirectory);
}

WaveformCache::Settings WaveformCache::fromSettings(const gm::Settings& settings, const Directories& directories) {
  return {directories.resolve(settings.text(kWaveformCacheDirectorySettingId)), settings.flag(kWaveformCacheOnSettingId)};
}

QString WaveformCache::compressedPath(const QString& directory, const std::string& key, Band band) {
  return rawPath(directory, key, band) + QStringLiteral(".bz2");
}

QString WaveformCache::rawPath(const QString& directory, const std::string& key, Band band) {
  return QStringLiteral("%1/%2.%3").arg(directory, QString::fromStdString(key), QString::fromLatin1(bandName(band)));
}

bool WaveformCache::prepareDirectory(const QString& directory) { return Directories::ensureDir(directory); }

bool WaveformCache::load(std::span<float> band, const std::string& key, Band which, const QString& directory) {
  const QString compressed = compressedPath(directory, key, which);
  const bool loaded = QFileInfo::exists(compressed) ? loadCompressed(band, compressed)
                                                    : loadRaw(band, rawPath(directory, key, which));
  if (loaded) fromBigEndian(band);
  return loaded;
}

bool WaveformCache::loadCompressed(std::span<float> band, const QString& path) {
  // Another track with the same key (the same opening) may have stored a band of another length.
  std::optional<QByteArray> stream = RegularFile::read(path, qint64(kLargestFileBytes));
  if (!stream) return false;
  char spare = 0;
  auto capacity = static_cast<unsigned int>(band.size_bytes());
  QByteArray source = std::move(*stream);
  // What a damaged stream leaves undecoded stays as it was: the result does not matter here.
  BZ2_bzBuffToBuffDecompress(bufferOf(reinterpret_cast<char*>(band.data()), spare), &capacity, source.data(),
                             static_cast<unsigned int>(source.size()), kSmall, kVerbosity);
  return true;
}

bool WaveformCache::loadRaw(std::span<float> band, const QString& path) {
  const int fd = RegularFile::openForReading(QFile::encodeName(path));
  if (fd < 0) return false;
  auto* bytes = reinterpret_cast<char*>(band.data());
  std::size_t done = 0;
  while (done < band.size_bytes()) {
    const ssize_t got = ::read(fd, bytes + done, band.size_bytes() - done);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += std::size_t(got);
  }
  ::close(fd);
  return true;
}

void WaveformCache::fromBigEndian(std::span<float> band) {
  for (float& value : band) {
    const float host = std::bit_cast<float>(toBigEndian(std::bit_cast<std::uint32_t>(value)));
    // Energies are never negative; anything else came from a damaged file.
    value = std::isfinite(host) && host > 0.0f ? host : 0.0f;
  }
}

bool WaveformCache::store(std::span<const float> band, const std::string& key, Band which, const QString& directory) {
  try {
    QByteArray raw(qsizetype(band.size_bytes()), Qt::Uninitialized);
    for (std::size_t i = 0; i < band.size(); ++i) {
      const std::uint32_t word = toBigEndian(std::bit_cast<std::uint32_t>(band[i]));
      std::memcpy(raw.data() + 4 * i, &word, 4);
    }
    QByteArray compressed(qsizetype(compressedBound(raw.size())), Qt::Uninitialized);
    auto length = static_cast<unsigned int>(compressed.size());
    char spare = 0;
    const int result = BZ2_bzBuffToBuffCompress(compressed.data(), &length, bufferOf(raw.data(), spare),
                                                static_cast<unsigned int>(raw.size()), kBlockSize100k, kVerbosity,
                                                kWorkFactor);
    if (result == BZ_OK) {
      compressed.truncate(qsizetype(length));
      return AtomicFile::write(compressedPath(directory, key, which), compressed);
    }
    return AtomicFile::write(rawPath(directory, key, which), raw);
  } catch (const std::bad_alloc&) {
    // Without the memory the band is simply not cached.
    return false;
  }
}

}  // namespace gm

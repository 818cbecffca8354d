#pragma once
// The waveform cache: a track's normalised band energies kept per band in the cache directory, so a
// track loaded again skips the filters. One file per track and band, named by the track key:
//   "<dir>/<key>.<band>.bz2"  one bzip2 stream (block size 9) of the raw form
//   "<dir>/<key>.<band>"      the raw form: blockCount IEEE single-precision floats, big-endian
// A compressed file wins over a raw one. Loading is always tried; storing only when caching is on.
// Everything is silent: the cache only ever saves work.

#include <cstdint>
#include <span>
#include <string>

#include <QString>

#include "tracks/TrackBands.h"

namespace gm {

class Directories;
class Settings;

// The settings that drive the cache: "Cache Hi/Mid/Low waveforms" and "Store Cached Data to:".
inline const QString kWaveformCacheOnSettingId = QStringLiteral("WUSE");
inline const QString kWaveformCacheDirectorySettingId = QStringLiteral("WSTO");
inline const QString kDefaultWaveformCacheDirectory = QStringLiteral("PROGDIR:Cache");

class WaveformCache {
 public:
  // What the deck's analysis needs of the settings, read on the main thread when a load finishes.
  struct Settings {
    QString directory;   // resolved, absolute or relative to the working directory
    bool store = false;  // write newly computed bands
  };

  // [main-thread] Declares the two settings with their defaults: caching off, "PROGDIR:Cache".
  static void defineSettings(gm::Settings& settings);
  // [main-thread] The cache as the settings ask for it, its directory resolved.
  static Settings fromSettings(const gm::Settings& settings, const Directories& directories);

  // The longest compressed file read: the stream of the longest band any track can have (2^31 - 1
  // bytes of audio) at bzip2's worst growth. Anything longer is not a cache file.
  static const std::size_t kLargestFileBytes;

  static QString compressedPath(const QString& directory, const std::string& key, Band band);
  static QString rawPath(const QString& directory, const std::string& key, Band band);

  // [loader-thread] Makes sure the directory exists; false when it cannot be made.
  static bool prepareDirectory(const QString& directory);

  // [loader-thread] Fills `band` from the track's compressed file when there is one, else from its
  // raw file. True when the file was opened and read, whatever it held: a short or damaged file
  // leaves the rest of `band` as it was (zeros for a fresh array), a longer one fills `band` and no
  // more, and values no analysis can make (negative, infinite, not a number) read as 0. False when
  // the file cannot be read (missing, not a plain file, longer than kLargestFileBytes); `band` is
  // then untouched.
  static bool load(std::span<float> band, const std::string& key, Band which, const QString& directory);

  // [loader-thread] Writes `band` as the compressed file, or as the raw file when compression fails.
  // Each file is replaced whole or not at all. False when it could not be written (the deck keeps
  // that to itself: the cache only ever saves work).
  static bool store(std::span<const float> band, const std::string& key, Band which, const QString& directory);

 private:
  static bool loadCompressed(std::span<float> band, const QString& path);
  static bool loadRaw(std::span<float> band, const QString& path);
  static void fromBigEndian(std::span<float> band);
};

}  // namespace gm

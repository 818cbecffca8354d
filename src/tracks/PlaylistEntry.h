#pragma once
// A playlist's line for one audio file: its tags, length and format as the decoder finds them, and
// what the track database holds for its audio (tempo, rating, play time). Built on the playlist's
// own worker thread: nothing here touches the window or main-thread objects.

#include <cstdint>
#include <optional>

#include <QByteArray>
#include <QString>

#include "tracks/TrackEntry.h"
#include "tracks/TrackKey.h"

namespace gm {

class TrackDatabase;

struct PlaylistEntry {
  QByteArray nativePath;  // the file's name as the system knows it (bytes, see TrackEntry)
  QString title;    // the file's name when it has no title tag
  QString artist;   // "Undefined" when the file names none, as are album and comment
  QString album;
  QString comment;  // the comment tag, else the genre
  QString yearText;  // the year of the date tag, or "Undefined"
  QString description;  // the audio format's name
  std::int32_t trackNumber = 0;
  std::int64_t bitRate = 0;  // bits per second
  TrackDigest digest{};
  std::int32_t bpm = 0;  // stored tempo in hundredths of BPM (0: none); the BPM column sorts by it
  QString bpmText;       // "%3.2f" of the tempo in BPM, " " when there is none
  double durationSeconds = 0.0;
  QString timeText;  // "hh:mm:ss"
  std::int64_t frames = 0;  // at sampleRate; 0 when the file does not say
  std::int32_t sampleRate = 0;
  std::int32_t channels = 0;
  std::int32_t rating = 0;  // 0..5
  bool loaded = false;      // a deck has loaded it

  // [any-thread] The entry for an audio file; nullopt when the decoder cannot open it.
  static std::optional<PlaylistEntry> fromFile(const QByteArray& nativePath, const TrackDatabase& database);

  // The stored tempo (hundredths of BPM, 0: none) and its text in the BPM column.
  void setBpm(std::int32_t storedBpm);

  QString trackNumberText() const { return QString::number(trackNumber); }
  // Thousands of bits per second, as bit rates are quoted: "128 kbps".
  QString bitRateText() const { return QStringLiteral("%1 kbps").arg(bitRate / 1000); }
  // What a deck loads from it.
  TrackEntry trackEntry() const { return TrackEntry{nativePath, title, artist, album}; }
};

}  // namespace gm

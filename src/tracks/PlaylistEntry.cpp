#include "tracks/PlaylistEntry.h"

#include <algorithm>

#include <QFile>

#include "core/CatalogTable.h"
#include "tracks/MediaDecoder.h"
#include "tracks/TrackDatabase.h"
#include "tracks/TrackLoader.h"

namespace gm {
namespace {

bool named(const std::string& name, const char* wanted) {
  return QString::fromStdString(name).compare(QLatin1String(wanted), Qt::CaseInsensitive) == 0;
}

// The number that starts a text, at most `digits` long: "7/12" gives 7, and with 4 digits the
// dates "2019-05-01" and "20190501" give 2019. 0 when the text starts with no digit.
std::int32_t leadingNumber(const QString& text, int digits) {
  const QString trimmed = text.trimmed();
  qsizetype length = 0;
  while (length < digits && length < trimmed.size() && trimmed[length] >= u'0' && trimmed[length] <= u'9') ++length;
  return trimmed.left(length).toInt();
}

void takeYear(PlaylistEntry& entry, const QString& date) {
  const std::int32_t year = leadingNumber(date, 4);
  if (year > 0) entry.yearText = QString::number(year);
}

// Each tag replaces an earlier one of its kind; the genre stands in for a missing comment.
void takeTags(PlaylistEntry& entry, const MediaTags& tags) {
  QString genre;
  for (const auto& [name, value] : tags.items) {
    const QString text = QString::fromUtf8(value.data(), qsizetype(value.size()));
    if (named(name, "title")) entry.title = text;
    else if (named(name, "artist")) entry.artist = text;
    else if (named(name, "album")) entry.album = text;
    else if (named(name, "comment")) entry.comment = text;
    else if (named(name, "genre")) genre = text;
    else if (named(name, "track")) entry.trackNumber = leadingNumber(text, 9);
    else if (named(name, "date")) takeYear(entry, text);
  }
  if (entry.comment.isEmpty()) entry.comment = genre;
  entry.bitRate = tags.bitRate;
  entry.description = QString::fromStdString(tags.description);
}

void fillMissingTexts(PlaylistEntry& entry) {
  if (entry.title.isEmpty()) entry.title = TrackEntry::fromNativePath(entry.nativePath).fileName();
  for (QString* text : {&entry.artist, &entry.album, &entry.comment}) {
    if (text->isEmpty()) *text = msg(Msg::TagUndefined);
  }
}

void takeStoredValues(PlaylistEntry& entry, const TrackDatabase& database) {
  entry.setBpm(database.lookup(TrackDatabase::Table::Bpm, entry.digest));
  entry.rating = std::clamp(database.lookup(TrackDatabase::Table::Rating, entry.digest), 0, 5);
  entry.durationSeconds = entry.frames != 0 ? double(entry.frames) / double(entry.sampleRate)
                                            : double(database.lookup(TrackDatabase::Table::Time, entry.digest));
  const long seconds = long(entry.durationSeconds);
  entry.timeText = QString::asprintf("%02ld:%02ld:%02ld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

}  // namespace

void PlaylistEntry::setBpm(std::int32_t storedBpm) {
  bpm = storedBpm;
  bpmText = bpm != 0 ? QString::asprintf("%3.2f", bpm / 100.0) : QStringLiteral(" ");
}

std::optional<PlaylistEntry> PlaylistEntry::fromFile(const QByteArray& nativePath, const TrackDatabase& database) {
  std::unique_ptr<MediaDecoder> decoder = MediaDecoder::open(nativePath.toStdString(), nullptr);
  if (!decoder) return std::nullopt;
  PlaylistEntry entry;
  entry.nativePath = nativePath;
  entry.yearText = msg(Msg::TagUndefined);
  // Before the digest, which rewinds the decoder to the file's own rate.
  entry.frames = decoder->frameCount();
  entry.sampleRate = decoder->sampleRate();
  entry.channels = decoder->channels();
  takeTags(entry, decoder->tags());
  fillMissingTexts(entry);
  // The deck's own key, so that what it stored for the track is found here.
  if (const std::optional<TrackDigest> digest = TrackLoader::sourceRateDigest(*decoder)) entry.digest = *digest;
  takeStoredValues(entry, database);
  return entry;
}

}  // namespace gm

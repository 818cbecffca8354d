#include "tracks/TrackMime.h"

#include <QDataStream>
#include <QIODevice>
#include <QMimeData>

namespace gm {

const QString TrackMime::kFormat = QStringLiteral("application/x-groovemangler-track");

QMimeData* TrackMime::encode(const TrackEntry& entry) {
  QByteArray bytes;
  QDataStream stream(&bytes, QIODevice::WriteOnly);
  stream << entry.nativePath << entry.title << entry.artist << entry.album;
  auto* data = new QMimeData;
  data->setData(kFormat, bytes);
  return data;
}

std::optional<TrackEntry> TrackMime::decode(const QMimeData* data) {
  if (data == nullptr || !data->hasFormat(kFormat)) return std::nullopt;
  QDataStream stream(data->data(kFormat));
  TrackEntry entry;
  stream >> entry.nativePath >> entry.title >> entry.artist >> entry.album;
  if (stream.status() != QDataStream::Ok || entry.nativePath.isEmpty()) return std::nullopt;
  return entry;
}

}  // namespace gm

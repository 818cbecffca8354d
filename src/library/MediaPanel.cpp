#include "library/MediaPanel.h"

#include <QFile>

#include "control/EventBinding.h"
#include "core/CatalogTable.h"
#include "core/Directories.h"
#include "core/Settings.h"
#include "library/PlaylistFile.h"
#include "tracks/Deck.h"

namespace gm {

const QString MediaPanel::kPlaylistPathSetting = QStringLiteral("PLLA");
const QString MediaPanel::kMediaPathSetting = QStringLiteral("PTHA");
const QString MediaPanel::kAutoLoadSetting = QStringLiteral("ALPA");

// The settings page lists the columns as "Title", "Artist", "BPM", "Rating", "Album", "Time".
QString MediaPanel::columnSetting(int column) {
  switch (column) {
    case Playlist::kArtist:
      return QStringLiteral("PLCB");
    case Playlist::kBpm:
      return QStringLiteral("PLCC");
    case Playlist::kRating:
      return QStringLiteral("PLCD");
    case Playlist::kAlbum:
      return QStringLiteral("PLCE");
    case Playlist::kTime:
      return QStringLiteral("PLCF");
    default:
      return QStringLiteral("PLCA");
  }
}

void MediaPanel::defineSettings(Settings& settings) {
  settings.define(kPlaylistPathSetting, QStringLiteral("PROGDIR:Playlists"));
  settings.define(kMediaPathSetting, QStringLiteral("PROGDIR:"));
  settings.define(kAutoLoadSetting, false);
  for (int column = 0; column < Playlist::kColumnCount; ++column) settings.define(columnSetting(column), true);
}

MediaPanel::MediaPanel(Deck& deckA, Deck& deckB, TrackDatabase database, Requester& requester, QObject* parent)
    : QObject(parent), deckA_(deckA), deckB_(deckB), playlist_(database), loader_(playlist_, database, requester) {
  connect(&playlist_, &Playlist::notice, this, &MediaPanel::notice);
  connect(&loader_, &PlaylistLoader::notice, this, &MediaPanel::notice);
  followDeck(deckA_);
  followDeck(deckB_);
  connect(&playlist_, &Playlist::rowsInserted, this, &MediaPanel::markDeckTracks);
}

MediaPanel::~MediaPanel() { EventList::forgetTarget(registeredWith_, this); }

// What a deck stored about a track (its load, its tempo) shows on the track's entries.
void MediaPanel::followDeck(Deck& deck) {
  connect(&deck, &Deck::loaded, this, [this, &deck] {
    if (const std::shared_ptr<const SampleData> sample = deck.sample()) playlist_.trackStored(sample->digest);
  });
}

// Entries added for a track a deck holds already show greyed, as the entries it was loaded from do.
void MediaPanel::markDeckTracks(const QModelIndex&, int first, int last) {
  for (const Deck* deck : {&deckA_, &deckB_}) {
    const std::shared_ptr<const SampleData> sample = deck->sample();
    if (!sample) continue;
    for (int row = first; row <= last; ++row) {
      if (playlist_.entry(row).digest == sample->digest) playlist_.markLoaded(row);
    }
  }
}

void MediaPanel::registerEvents(EventList& events) {
  if (registered_) return;
  registered_ = true;
  registeredWith_ = events.weakRef();
  const QString& zone = msg(Msg::MediaZone);
  const auto button = std::int32_t(EventType::Button);
  events.registerEvent(zone, msg(Msg::EventSelectPreviousTrack), button, this, kSelectPreviousMethod);
  events.registerEvent(zone, msg(Msg::EventSelectNextTrack), button, this, kSelectNextMethod);
  events.registerEvent(zone, msg(Msg::EventLoadInFreeDeck), button, this, kLoadInFreeDeckMethod);
}

void MediaPanel::invokeEvent(std::uint32_t method, std::int32_t value) {
  switch (method) {
    case kLoadInFreeDeckMethod:
      loadInFreeDeck(value);
      break;
    case kSelectNextMethod:
      selectNext(value);
      break;
    case kSelectPreviousMethod:
      selectPrevious(value);
      break;
    default:
      break;
  }
}

void MediaPanel::loadInFreeDeck(std::int32_t value) {
  const int row = playlist_.activeRow();
  if (value != 0 || row < 0) return;
  const TrackEntry track = playlist_.entry(row).trackEntry();
  if (deckA_.loadEntry(track) || deckB_.loadEntry(track)) playlist_.markLoaded(row);
}

void MediaPanel::selectNext(std::int32_t value) {
  if (value != 0) step(+1);
}

void MediaPanel::selectPrevious(std::int32_t value) {
  if (value == 0) step(-1);
}

// Moves among the entries shown, wrapping at either end.
void MediaPanel::step(int direction) {
  const int shown = filter_.rowCount();
  if (shown == 0) return;
  const int current = filter_.shownRow(playlist_.activeRow());
  int next = 0;
  if (direction > 0) {
    next = current < 0 || current + 1 >= shown ? 0 : current + 1;
  } else {
    next = current <= 0 ? shown - 1 : current - 1;
  }
  playlist_.setActiveRow(filter_.playlistRow(next));
}

void MediaPanel::setFilterText(const QString& text) {
  filter_.setText(text);
  if (filter_.shownRow(playlist_.activeRow()) >= 0) return;
  playlist_.setActiveRow(filter_.rowCount() > 0 ? filter_.playlistRow(0) : -1);
}

void MediaPanel::addTracks(const QByteArrayList& paths) { loader_.addFiles(paths, PlaylistLoader::Refusal::Count); }

bool MediaPanel::savePlaylist(const QString& path) {
  QByteArrayList paths;
  paths.reserve(playlist_.size());
  for (int row = 0; row < playlist_.size(); ++row) paths << playlist_.entry(row).nativePath;
  const PlaylistFile::Saved saved = PlaylistFile::save(path, paths);
  if (!saved.ok) {
    Q_EMIT notice(msg(Msg::StatusFileNotSaved).arg(path, saved.error));
    return false;
  }
  if (saved.leftOut > 0) Q_EMIT notice(msg(Msg::StatusPathsLeftOut).arg(QString::number(saved.leftOut), path));
  return true;
}

void MediaPanel::loadPlaylist(const QString& path) { loader_.addPlaylistFile(path); }

void MediaPanel::loadMediaDirectoryAtStart(const Settings& settings, const Directories& directories) {
  if (!settings.flag(kAutoLoadSetting)) return;
  loader_.addDirectory(QFile::encodeName(directories.resolve(settings.text(kMediaPathSetting))));
}

}  // namespace gm

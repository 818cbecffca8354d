#pragma once
// The media panel's model: the playlist with its filter and loader, and the operations the DJ drives
// from the window, mapped keys and controllers ("Load In Free Deck", "Select Next Track", "Select
// Previous Track"), adding tracks, playlist files, and the media directory read at start.

#include <cstdint>
#include <memory>

#include <QByteArrayList>
#include <QObject>
#include <QString>

#include "control/EventList.h"
#include "control/EventTarget.h"
#include "library/Playlist.h"
#include "library/PlaylistFilter.h"
#include "library/PlaylistLoader.h"

namespace gm {

class Deck;
class Directories;
class Requester;
class Settings;

class MediaPanel : public QObject, public EventTarget {
  Q_OBJECT
 public:
  // The "Media" events' methods.
  static constexpr std::uint32_t kLoadInFreeDeckMethod = 0x80003801;
  static constexpr std::uint32_t kSelectPreviousMethod = 0x8000380A;
  static constexpr std::uint32_t kSelectNextMethod = 0x8000380B;

  // Settings: where playlists are kept, the media directory, whether it is read at start, and
  // which playlist columns are shown.
  static const QString kPlaylistPathSetting;  // 'PLLA'
  static const QString kMediaPathSetting;     // 'PTHA'
  static const QString kAutoLoadSetting;      // 'ALPA'
  static QString columnSetting(int column);   // 'PLCA'..'PLCF'
  // [main-thread]
  static void defineSettings(Settings& settings);

  // The decks and the requester outlive the panel.
  MediaPanel(Deck& deckA, Deck& deckB, TrackDatabase database, Requester& requester, QObject* parent = nullptr);
  ~MediaPanel() override;

  Playlist& playlist() { return playlist_; }
  PlaylistFilter& filter() { return filter_; }
  PlaylistLoader& loader() { return loader_; }

  // [main-thread] Registers the three "Media" events once.
  void registerEvents(EventList& events);
  void invokeEvent(std::uint32_t method, std::int32_t value) override;

  // [main-thread] The events' operations; `value` is the button's state (1 pressed, 0 released).
  // Load In Free Deck acts on the release: the active entry goes to deck A, or to deck B when deck A
  // plays or loads; while both do, nothing is loaded.
  void loadInFreeDeck(std::int32_t value);
  // On the press: the next shown entry becomes active; after the last, or with none, the first.
  void selectNext(std::int32_t value);
  // On the release: the previous shown entry; before the first, or with none, the last.
  void selectPrevious(std::int32_t value);

  // [main-thread] Narrows the list shown; an active entry the filter hides gives way to the first
  // entry shown, so the media operations always act on an entry the DJ can see.
  void setFilterText(const QString& text);
  // [main-thread] Files chosen in the "Add Tracks" requester; those that are no audio the decoder
  // reads are left out, and a notice says how many.
  void addTracks(const QByteArrayList& paths);
  // [main-thread] "Save Playlist": every entry's path in list order. False when it was not saved
  // (a notice says why).
  bool savePlaylist(const QString& path);
  // [main-thread] "Load Playlist": appends the files the playlist file names.
  void loadPlaylist(const QString& path);
  // [main-thread] The start-up directory loader: when the settings ask for it, appends the audio
  // files of the media directory and its sub-folders.
  void loadMediaDirectoryAtStart(const Settings& settings, const Directories& directories);

 Q_SIGNALS:
  void notice(const QString& text);

 private:
  void step(int direction);
  void followDeck(Deck& deck);
  void markDeckTracks(const QModelIndex& parent, int first, int last);

  Deck& deckA_;
  Deck& deckB_;
  Playlist playlist_;
  PlaylistFilter filter_{playlist_};
  PlaylistLoader loader_;  // after the playlist, which its thread fills
  bool registered_ = false;
  EventList::WeakRef registeredWith_;
};

}  // namespace gm

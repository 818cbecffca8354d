#pragma once
// Every user-visible text of the program as (catalog id, built-in English text). At start the table
// is translated in place from the catalog file for the user's language, when one is installed; the
// built-in text is the fallback for every id the catalog lacks. Ids are stable: append new ones.

#include <QString>

namespace gm {

enum class Msg : int {
  AppDescription = 1,
  ErrorTitle,
  WarningTitle,
  FailedAtInstanciating,
  OkButton,
  SharedUnitWarning,
  SharedUnitButtons,
  QuitQuestion,
  QuitButtons,
  MenuProject,
  MenuSettings,
  MenuQuit,
  SettingsTitle,
  PageAudioOutputs,
  SpeakersLabel,
  HeadphonesLabel,
  Disabled,
  SpeakersHelp,
  HeadphonesHelp,
  SaveButton,
  UseButton,
  CancelButton,
  SaveHelp,
  UseHelp,
  CancelHelp,
  SharedUnitCheckLabel,
  NullOutput,
  StatusNoSoundDevice,
  StatusOutputFailed,
  StatusSpeakersUnavailable,
  StatusRecordBlocksLost,
  DeckATitle,
  DeckBTitle,
  NoTrackLoaded,
  CueButton,
  HeadphoneMasterLevel,
  HeadphoneCueLevel,
  VolumeLabel,
  CrossFaderLabel,
  MasterLevelLabel,
  StatusReady,
  StatusSettingsNotSaved,
  StatusHeadphonesUnavailable,
  NotEnoughResources,
  LoadFailed,
  FilterOnButton,
  FilterOnOffSuffix,
  PluginNameColumn,
  PluginVersionColumn,
  PageBeatDetectors,
  PageFilters,
  BendDownHelp,
  BendUpHelp,
  StatusRuntimeDirRefused,
  StatusNoRuntimeDir,
  StatusFileNotSaved,
  StatusPluginsRefused,
  StatusOutputUnderflows,
  ResampledTitle,
  CutShortTitle,
  StatusScriptRunnerMissing,
  StatusScriptNotStarted,
  StatusBpmCueSaved,
  PlaylistTitleColumn,
  PlaylistTimeColumn,
  PlaylistBpmColumn,
  PlaylistRatingColumn,
  PlaylistAlbumColumn,
  PlaylistArtistColumn,
  Rating0,
  Rating1,
  Rating2,
  Rating3,
  Rating4,
  Rating5,
  MenuMedia,
  MenuRating,
  MediaZone,
  EventSelectPreviousTrack,
  EventSelectNextTrack,
  EventLoadInFreeDeck,
  AddTracksTitle,
  SavePlaylistTitle,
  LoadPlaylistTitle,
  SampleNotLoaded,
  SampleNotLoadedButtons,
  MenuAddTracks,
  MenuLoadPlaylist,
  MenuSavePlaylist,
  MenuRemove,
  MenuRemoveAll,
  PlaylistFilterHint,
  StatusPlaylistNotRead,
  StatusTracksSkipped,
  StatusRatingNotStored,
  StatusPathsLeftOut,
  Count  // keep last
};

class CatalogTable {
 public:
  // [main-thread] The current text of an id (translated once translate() ran).
  static const QString& text(Msg id);

  // [main-thread] Replaces texts by those of a catalog file: UTF-8 lines "<id> <text>", where "\n"
  // in the text stands for a line break; blank lines and lines starting with '#' are skipped; unknown
  // ids and malformed lines are ignored. Returns the number of texts replaced.
  static int translate(const QString& catalogPath);
  // The catalog for the user's language under <programDir>/Catalogs/<language>/GrooveMangler.catalog,
  // the language coming from LC_ALL, LC_MESSAGES or LANG ("de_DE.UTF-8" → "de"). Empty when none.
  static QString catalogPathForLanguage(const QString& programDir);
  // [main-thread] Back to the built-in English texts (tests).
  static void resetToBuiltIn();
};

// Short form used throughout the program.
inline const QString& msg(Msg id) { return CatalogTable::text(id); }

}  // namespace gm

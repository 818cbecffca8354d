#include "core/CatalogTable.h"

#include <array>

#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QtGlobal>

#include "core/RegularFile.h"

namespace gm {
namespace {

constexpr int kCount = int(Msg::Count);

struct Entry {
  Msg id;
  const char* english;
};

// The built-in texts. Texts that named the old platform's audio units say "audio device" instead.
constexpr Entry kBuiltIn[] = {
    {Msg::AppDescription, "DJ Music Mixer"},
    {Msg::ErrorTitle, "Error"},
    {Msg::WarningTitle, "Warning"},
    {Msg::FailedAtInstanciating, "Failed at instanciating GrooveMangler. Exiting."},
    {Msg::OkButton, "OK"},
    {Msg::SharedUnitWarning,
     "Speakers and Headphones outputs have been assigned to the same audio device.\n"
     "Computer must have two audio outputs for independent Speakers and Headphones outputs.\n"
     "Configure audio devices on different sound card hardware and use GrooveMangler settings to "
     "select correct audio devices.\n"
     "If the system isn't equiped with multiple audio outputs, disable Headphones output in Audio "
     "Output settings."},
    {Msg::SharedUnitButtons, "_Do not bother me again.|*_OK"},
    {Msg::QuitQuestion, "Do you really want to quit?"},
    {Msg::QuitButtons, "_OK|_Cancel"},
    {Msg::MenuProject, "Project"},
    {Msg::MenuSettings, "Settings..."},
    {Msg::MenuQuit, "Quit..."},
    {Msg::SettingsTitle, "GrooveMangler - Settings"},
    {Msg::PageAudioOutputs, "Audio Outputs"},
    {Msg::SpeakersLabel, "Speakers:"},
    {Msg::HeadphonesLabel, "Headphones:"},
    {Msg::Disabled, "Disabled"},
    {Msg::SpeakersHelp, "Set this audio device to the output wired to your speakers"},
    {Msg::HeadphonesHelp, "Set this audio device to the output wired to your headphones"},
    {Msg::SaveButton, "Save"},
    {Msg::UseButton, "Use"},
    {Msg::CancelButton, "Cancel"},
    {Msg::SaveHelp, "Settings will be saved to disk."},
    {Msg::UseHelp, "Settings will not be saved to disk."},
    {Msg::CancelHelp, "Discard changes"},
    {Msg::SharedUnitCheckLabel, "Do not warn when Speakers and Headphones share one audio device"},
    {Msg::NullOutput, "Null output"},
    {Msg::StatusNoSoundDevice, "No sound device found: playing on the null output (silent)."},
    {Msg::StatusOutputFailed, "%1 stopped working (%2): switched to the null output."},
    {Msg::StatusSpeakersUnavailable, "Audio device \"%1\" is not available: %2 plays on the null output."},
    {Msg::StatusRecordBlocksLost, "Recording fell behind: %1 blocks of the mix were lost."},
    {Msg::DeckATitle, "Deck A"},
    {Msg::DeckBTitle, "Deck B"},
    {Msg::NoTrackLoaded, "No track loaded"},
    {Msg::CueButton, "CUE"},
    {Msg::HeadphoneMasterLevel, "Phones Mix"},
    {Msg::HeadphoneCueLevel, "Phones Cue"},
    {Msg::VolumeLabel, "VOL"},
    {Msg::CrossFaderLabel, "Cross-fader"},
    {Msg::MasterLevelLabel, "Master"},
    {Msg::StatusReady, "Ready."},
    {Msg::StatusSettingsNotSaved, "Settings could not be saved to %1."},
    {Msg::StatusHeadphonesUnavailable, "Headphones output could not be opened: headphones are off."},
    {Msg::NotEnoughResources, "Not enough resources available for loading this sample."},
    {Msg::LoadFailed, "Couldn't load %1: %2."},
    {Msg::FilterOnButton, "On"},
    {Msg::FilterOnOffSuffix, " On/Off"},
    {Msg::PluginNameColumn, "Name"},
    {Msg::PluginVersionColumn, "Version"},
    {Msg::PageBeatDetectors, "Beat Detectors"},
    {Msg::PageFilters, "Filters"},
    {Msg::BendDownHelp,
     "Slightly slow the track for an instant for fine beat matching. Keep the button pressed for longer effect."},
    {Msg::BendUpHelp,
     "Slightly fasten the track for an instant for fine beat matching. Keep the button pressed for longer effect."},
    {Msg::StatusRuntimeDirRefused, "Did not use %1 for the settings in use and the command port (%2): using %3."},
    {Msg::StatusNoRuntimeDir, "No private directory for the settings in use and the command port (%1: %2)."},
    {Msg::StatusFileNotSaved, "Could not save %1 (%2): the previous copy is kept."},
    {Msg::StatusPluginsRefused, "Plug-ins not loaded: %1."},
    {Msg::StatusOutputUnderflows, "%1 fell behind the sound device: %2 gaps in the sound so far."},
    {Msg::ResampledTitle, "%1 (resampled from %2 Hz)"},
    {Msg::CutShortTitle, "%1 (Loaded %2 of %3: the file is damaged or was cut short)"},
    {Msg::StatusScriptRunnerMissing, "%1 is missing: per-track scripts are not run."},
    {Msg::StatusScriptNotStarted, "Could not start %1 (%2)."},
    {Msg::StatusBpmCueSaved, "%1: BPM & cue saved."},
    {Msg::StatusPortInUse, "Another GrooveMangler serves the command port %1: this one has none."},
    {Msg::StatusNoPort, "No command port %1 (%2)."},
    {Msg::ZoneMixer, "Mixer"},
    {Msg::ZoneWaveformA, "Waveform A"},
    {Msg::ZoneWaveformB, "Waveform B"},
    {Msg::ZoneEqualizerA, "Equalizer A"},
    {Msg::ZoneEqualizerB, "Equalizer B"},
    {Msg::ZoneFilterA, "Filter A"},
    {Msg::ZoneFilterB, "Filter B"},
    {Msg::ZoneControllerA, "Controller A"},
    {Msg::ZoneControllerB, "Controller B"},
    {Msg::EventCrossFader, "Cross Fader"},
    {Msg::EventCrossFaderLeft, "Cross Fader Left"},
    {Msg::EventCrossFaderRight, "Cross Fader Right"},
    {Msg::EventCrossFaderCentre, "Cross Fader Centre"},
    {Msg::EventDisplayHiBand, "Display Hi Band"},
    {Msg::EventDisplayMidBand, "Display Mid Band"},
    {Msg::EventDisplayLowBand, "Display Low Band"},
    {Msg::EventCycleBands, "Cycle Hi/Mid/Low Bands"},
    {Msg::EventSpeedRelative, "Speed Up/Down (Relative)"},
    {Msg::EventHiKill, "Hi Kill"},
    {Msg::EventMidKill, "Mid Kill"},
    {Msg::EventLowKill, "Low Kill"},
    {Msg::EventHiGainUp, "Hi Gain Up"},
    {Msg::EventHiGainDown, "Hi Gain Down"},
    {Msg::EventMidGainUp, "Mid Gain Up"},
    {Msg::EventMidGainDown, "Mid Gain Down"},
    {Msg::EventLowGainUp, "Low Gain Up"},
    {Msg::EventLowGainDown, "Low Gain Down"},
    {Msg::EventGainUp, "Gain Up"},
    {Msg::EventGainDown, "Gain Down"},
    {Msg::EventPanLeft, "Pan Left"},
    {Msg::EventPanRight, "Pan Right"},
    {Msg::EventVolumeUp, "Volume Up"},
    {Msg::EventVolumeDown, "Volume Down"},
    {Msg::EventVolumeMute, "Volume Mute"},
    {Msg::EventHiGainReset, "Hi Gain Reset"},
    {Msg::EventMidGainReset, "Mid Gain Reset"},
    {Msg::EventLowGainReset, "Low Gain Reset"},
    {Msg::EventGainReset, "Gain Reset"},
    {Msg::EventPanReset, "Pan Reset"},
    {Msg::EventHiGainAnalog, "Hi Gain Analog"},
    {Msg::EventMidGainAnalog, "Mid Gain Analog"},
    {Msg::EventLowGainAnalog, "Low Gain Analog"},
    {Msg::EventGainAnalog, "Gain Analog"},
    {Msg::EventVolumeAnalog, "Volume Analog"},
    {Msg::EventPanAnalog, "Pan Analog"},
    {Msg::EventPlay, "Play"},
    {Msg::EventPause, "Pause"},
    {Msg::EventPlayPause, "Play/Pause"},
    {Msg::EventRewind, "Rewind"},
    {Msg::EventCue, "Cue"},
    {Msg::EventSetCue, "Set Cue"},
    {Msg::EventTempo, "Tempo"},
    {Msg::EventPitch, "Pitch"},
    {Msg::EventTempoUp, "Tempo Up"},
    {Msg::EventTempoDown, "Tempo Down"},
    {Msg::EventPitchUp, "Pitch Up"},
    {Msg::EventPitchDown, "Pitch Down"},
    {Msg::EventPitchBendUp, "Pitch Bend Up"},
    {Msg::EventPitchBendDown, "Pitch Bend Down"},
    {Msg::EventSaveBpmCue, "Save BPM & Cue"},
    {Msg::EventSync, "Sync"},
    {Msg::EventLoopStop, "Loop Stop"},
    {Msg::EventLoop1_32, "Loop 1/32"},
    {Msg::EventLoop1_16, "Loop 1/16"},
    {Msg::EventLoop1_8, "Loop 1/8"},
    {Msg::EventLoop1_4, "Loop 1/4"},
    {Msg::EventLoop1_2, "Loop 1/2"},
    {Msg::EventLoop1, "Loop 1"},
    {Msg::EventLoop2, "Loop 2"},
    {Msg::EventLoop4, "Loop 4"},
    {Msg::EventLoop8, "Loop 8"},
    {Msg::EventLoop16, "Loop 16"},
    {Msg::EventLoop32, "Loop 32"},
    {Msg::EventLoop64, "Loop 64"},
    {Msg::EventLoopDouble, "Loop x2"},
    {Msg::EventLoopHalve, "Loop /2"},
    {Msg::EventTypeButton, "Button"},
    {Msg::EventTypeToggle, "Toggle"},
    {Msg::EventTypeAnalog, "Analog"},
    {Msg::EventTypeOutput, "Output"},
    {Msg::EventTypeUnknown, "???"},
    {Msg::MappingTitle, "GrooveMangler - Event Mapping"},
    {Msg::MenuEventMapping, "Event Mapping..."},
    {Msg::MappingZoneColumn, "Zone"},
    {Msg::MappingNameColumn, "Name"},
    {Msg::MappingTypeColumn, "Type"},
    {Msg::MappingShortcutColumn, "Keyboard Shortcut"},
    {Msg::MappingSensorColumn, "Sensor"},
    {Msg::MappingUnassigned, "Unassigned"},
    {Msg::MappingSensorLabel, "Sensor:"},
    {Msg::MappingNothingCaught, "Nothing catched yet..."},
    {Msg::MappingShortcutLabel, "Keyboard Shortcut:"},
    {Msg::MappingScriptLabel, "Run Script:"},
    {Msg::MappingRelative, "Relative"},
    {Msg::MappingRelativeHelp, "Treat the event as relative"},
    {Msg::MappingCatchEvent, "Catch Event"},
    {Msg::MappingCatchEventHelp, "Toggle the 'Catch Event' button and use the external controller to bind the event."},
    {Msg::MappingRemoveEvent, "Remove Event"},
    {Msg::MappingRemoveEventHelp, "Unbind the event"},
    {Msg::MappingShortcutHelp, "Press the key (with its qualifiers) that fires the event; clear the field to unbind it."},
    {Msg::MappingScriptHelp, "Shell command line run each time the event fires."},
    {Msg::MappingChooseScript, "Choose the script to run"},
    {Msg::MappingPressKey, "press a key"},
    {Msg::RecordingTitle, "Recording"},
    {Msg::RecorderZone, "Recorder"},
    {Msg::StartStopRecordingEvent, "Start/Stop Recording"},
    {Msg::RecordButtonHelp, "Records the mix to WAV files in the recordings directory"},
    {Msg::StatusRecordingNotCreated, "Recording is off: could not create %1."},
    {Msg::StatusRecordingFailed, "Recording stopped: %1 could not be written (%2). It keeps the first %3."},
    {Msg::StatusRecordingBehind, "Recording stopped: the disk does not keep up with the mix."},
    {Msg::StatusRecordingSaved, "Recorded %1 (%2)."},
    {Msg::PlaylistTitleColumn, "Title"},
    {Msg::PlaylistTimeColumn, "Time"},
    {Msg::PlaylistBpmColumn, "BPM"},
    {Msg::PlaylistRatingColumn, "Rating"},
    {Msg::PlaylistAlbumColumn, "Album"},
    {Msg::PlaylistArtistColumn, "Artist"},
    {Msg::Rating0, "Not worthy. Really."},
    {Msg::Rating1, "Why do I keep this?"},
    {Msg::Rating2, "Nothing better to play?"},
    {Msg::Rating3, "OK to be on my deck"},
    {Msg::Rating4, "This one rocks!"},
    {Msg::Rating5, "Still not played? Should be the next one."},
    {Msg::MenuMedia, "Media"},
    {Msg::MenuRating, "Rating"},
    {Msg::MediaZone, "Media"},
    {Msg::EventSelectPreviousTrack, "Select Previous Track"},
    {Msg::EventSelectNextTrack, "Select Next Track"},
    {Msg::EventLoadInFreeDeck, "Load In Free Deck"},
    {Msg::AddTracksTitle, "Add Tracks"},
    {Msg::SavePlaylistTitle, "Save Playlist"},
    {Msg::LoadPlaylistTitle, "Load Playlist"},
    {Msg::SampleNotLoaded, "Couldn't load sample %1. It is not an audio file the decoder can read."},
    {Msg::SampleNotLoadedButtons, "*Ok"},
    {Msg::MenuAddTracks, "Add Tracks..."},
    {Msg::MenuLoadPlaylist, "Load Playlist..."},
    {Msg::MenuSavePlaylist, "Save Playlist..."},
    {Msg::MenuRemove, "Remove"},
    {Msg::MenuRemoveAll, "Remove All"},
    {Msg::PlaylistFilterHint, "Filter by title or artist"},
    {Msg::StatusPlaylistNotRead, "Could not read the playlist %1 (%2)."},
    {Msg::StatusTracksSkipped, "Files not added (the decoder cannot read them): %1."},
    {Msg::StatusRatingNotStored, "Could not store the rating in %1 (%2)."},
    {Msg::StatusPathsLeftOut, "%1 tracks were left out of %2: their file names hold a line break."},
    // The settings' effects.
    {Msg::SettingOpenGlHelp, "Draws the decks' waveforms and navigators through OpenGL, when this computer offers "
                             "it. Takes effect at the next start."},
};
static_assert(std::size(kBuiltIn) == kCount - 1, "every id needs its built-in text");

std::array<QString, kCount>& texts() {
  static std::array<QString, kCount> table = [] {
    std::array<QString, kCount> built{};
    for (const Entry& entry : kBuiltIn) built[int(entry.id)] = QString::fromUtf8(entry.english);
    return built;
  }();
  return table;
}

QString unescape(QString text) { return text.replace("\\n", "\n"); }

// Far beyond any catalog of the program's texts.
constexpr qint64 kMaxCatalogBytes = 4 << 20;

}  // namespace

const QString& CatalogTable::text(Msg id) {
  const int index = int(id);
  Q_ASSERT(index > 0 && index < kCount);
  return texts()[index];
}

int CatalogTable::translate(const QString& catalogPath) {
  if (catalogPath.isEmpty()) return 0;
  const std::optional<QByteArray> content = RegularFile::read(catalogPath, kMaxCatalogBytes);
  if (!content) return 0;
  QTextStream in(*content);
  int replaced = 0;
  while (!in.atEnd()) {
    const QString line = in.readLine();
    if (line.isEmpty() || line.startsWith('#')) continue;
    bool ok = false;
    const int id = line.section(' ', 0, 0).toInt(&ok);
    if (!ok || id <= 0 || id >= kCount || line.indexOf(' ') < 0) continue;
    texts()[id] = unescape(line.section(' ', 1));
    ++replaced;
  }
  return replaced;
}

QString CatalogTable::catalogPathForLanguage(const QString& programDir) {
  QString locale;
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    locale = qEnvironmentVariable(variable);
    if (!locale.isEmpty()) break;
  }
  const QString language = locale.section('_', 0, 0).section('.', 0, 0);
  if (language.isEmpty() || language == "C" || language == "POSIX" || language == "en") return {};
  const QString path = programDir + "/Catalogs/" + language + "/GrooveMangler.catalog";
  return QFileInfo::exists(path) ? path : QString();
}

void CatalogTable::resetToBuiltIn() {
  for (const Entry& entry : kBuiltIn) texts()[int(entry.id)] = QString::fromUtf8(entry.english);
}

}  // namespace gm

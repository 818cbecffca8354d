#include "core/CatalogTable.h"

#include <array>

#include <QFile>
#include <QFileInfo>
#include <QStringList>
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
    {Msg::SharedUnitCheckLabel, "Do not warn when speakers and headphones share one output"},
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
    {Msg::SyncButton, "SYNC"},
    {Msg::SyncHelp, "Match this deck's tempo to the other deck's (within 10 %)."},
    {Msg::BpmCaption, "BPM"},
    {Msg::BpmSliderHelp, "The track's own tempo; the beat grid and the loops follow it."},
    {Msg::PitchCaption, "PITCH"},
    {Msg::PitchFaderHelp, "Tempo: + towards the bottom, as on a turntable."},
    {Msg::PitchDownHelp, "Slower by 0.01 %."},
    {Msg::PitchUpHelp, "Faster by 0.01 %."},
    {Msg::PlayButton, "PLAY"},
    {Msg::CueJumpHelp, "Jump to the cue point."},
    {Msg::SetCueButton, "SET CUE"},
    {Msg::SetCueHelp, "Put the cue point at the play position."},
    {Msg::RewindHelp, "Back to the start of the track."},
    {Msg::CueNudgeCaption, "CUE NUDGE"},
    {Msg::CueBackHelp, "Cue point 1/100 s earlier."},
    {Msg::CueBackFineHelp, "Cue point one frame earlier."},
    {Msg::CueForwardFineHelp, "Cue point one frame later."},
    {Msg::CueForwardHelp, "Cue point 1/100 s later."},
    {Msg::SaveBpmCueButton, "Save BPM && Cue"},
    {Msg::SaveBpmCueHelp, "Remember this track's tempo and cue point: they come back whenever it is loaded."},
    {Msg::LoopCaption, "LOOP (BEATS)"},
    {Msg::LoopButtonHelp, "Loop %1 beat(s) from the next beat; loops are set while the deck plays."},
    {Msg::LoopDoubleHelp, "Double the loop's length."},
    {Msg::LoopHalveHelp, "Halve the loop's length."},
    {Msg::LoopStopHelp, "Leave the loop."},
    {Msg::BendCaption, "BEND"},
    {Msg::GainCaption, "GAIN"},
    {Msg::HiCaption, "HI"},
    {Msg::MidCaption, "MID"},
    {Msg::LowCaption, "LOW"},
    {Msg::KillButton, "K"},
    {Msg::KillHighHelp, "Kill the high band"},
    {Msg::KillMidHelp, "Kill the mid band"},
    {Msg::KillLowHelp, "Kill the low band"},
    {Msg::PanCaption, "PAN"},
    {Msg::MuteButton, "MUTE"},
    {Msg::MuteHelp, "Silence this deck in the mix; the fader keeps its place."},
    {Msg::PhonesCaption, "PHONES"},
    {Msg::CueAHelp, "Pre-listen to deck A in the headphones"},
    {Msg::CueBHelp, "Pre-listen to deck B in the headphones"},
    {Msg::BandHiToggle, "hi"},
    {Msg::BandMidToggle, "mid"},
    {Msg::BandLowToggle, "low"},
    {Msg::BandHiHelp, "Show the energy of the highs (above 4 kHz) instead of the waveform."},
    {Msg::BandMidHelp, "Show the energy of the mids (200 Hz to 4 kHz) instead of the waveform."},
    {Msg::BandLowHelp, "Show the energy of the lows (below 200 Hz) instead of the waveform."},
    {Msg::NavigatorHelp, "The whole track: click or drag to move the play position."},
    {Msg::NavigatorLoading, "Loading %1%"},
    {Msg::WaveformHelp, "Turn the mouse wheel to jog: nudges the tempo while playing, moves the position while paused."},
    {Msg::WaveformLoading, "Deck %1: loading…"},
    {Msg::WaveformDropHint, "Deck %1: drop an audio file here"},
    {Msg::WaveformLoadingPercent, "loading %1%"},
    {Msg::AudioFilesFilter, "Audio (%1)"},
    {Msg::TagUndefined, "Undefined"},
    {Msg::ReasonDeckBusy, "the deck is busy"},
    {Msg::ReasonNotPluginLibrary, "not a plug-in library"},
    {Msg::ReasonPrefsOutsideFolder, "its preferences file would lie outside its folder"},
    {Msg::ReasonFailedToStart, "it failed to start"},
    {Msg::ReasonNoName, "it has no name"},
    {Msg::ReasonNoUsableControls, "it has no usable controls"},
    {Msg::ReasonNotAPlugin, "not a GrooveMangler plug-in (no PluginQuery)"},
    {Msg::ReasonNoPluginClass, "no plug-in class"},
    {Msg::ReasonOtherInterface, "made for plug-in interface %1.%2, not %3"},
    {Msg::ReasonDamagedPluginClass, "damaged plug-in class"},
    {Msg::ReasonElfTooShort, "too short for an ELF header"},
    {Msg::ReasonNotElf, "not an ELF file"},
    {Msg::ReasonOtherMachine, "built for another kind of machine"},
    {Msg::ReasonNotSharedLibrary, "not a shared library"},
    {Msg::ReasonDamagedHeaders, "damaged program headers"},
    {Msg::ReasonCutBeforeHeaders, "damaged: cut short before its program headers"},
    {Msg::ReasonUnreadableHeaders, "unreadable program headers"},
    {Msg::ReasonCutShortBytes, "damaged: cut short (%1 of %2 bytes)"},
    {Msg::ReasonNotAFile, "not a file"},
    {Msg::ReasonSocketPathTooLong, "the path is too long for a socket"},
    {Msg::ReasonPortServed, "another program serves it"},
    {Msg::ReasonPortOpening, "another program is opening it"},
    {Msg::ReasonNotASocket, "a file that is not a socket is in the way"},
    {Msg::ReasonNoDirectory, "cannot create the directory"},
    {Msg::ReasonWriteFailed, "write failed"},
    {Msg::ReasonFileNotFound, "File not found"},
    {Msg::ReasonPermissionDenied, "Permission denied"},
    {Msg::ReasonNotFile, "Not a file"},
    {Msg::ReasonNoMemory, "Not enough memory"},
    {Msg::ReasonCannotRead, "Cannot read file"},
    {Msg::ReasonNoAudio, "No audio in file"},
    {Msg::ReasonNoDecoder, "No decoder for this audio format"},
    {Msg::ReasonUnsupported, "Unsupported or damaged file"},
    {Msg::ReasonSampleRate, "Unsupported sample rate"},
    {Msg::ReasonCannotDecode, "cannot be decoded"},
    // Version check, about window, history note.
    {Msg::MenuAbout, "About..."},
    {Msg::AboutTitle, "About GrooveMangler"},
    {Msg::AboutVersion, "Version %1"},
    {Msg::AboutText,
     "Two decks with tempo, cue points, beat loops and sync, a mixer with equaliser, filters and "
     "cross-fader, pre-listening on headphones and recording of the mix."},
    {Msg::VersionChecking, "Checking if a new version is available for download..."},
    {Msg::VersionLatest, "You are running the last version."},
    {Msg::VersionNewAvailable, "A new version is available for download."},
    {Msg::VersionCheckFailed, "Couldn't check for new version to download."},
    {Msg::VersionCheckOff, "The version check is off: no version-check server is set in the settings."},
    {Msg::HistoryTitle, "GrooveMangler - History"},
    {Msg::HistoryNotLoaded, "Couldn't load history note."},
    {Msg::HistoryDoNotBother, "Do not bother me again!"},
    // The settings window's pages.
    {Msg::PageAutoGain, "Auto Gain"},
    {Msg::PageEqualizer, "Equalizer"},
    {Msg::PageDefaultPaths, "Default Paths"},
    {Msg::PageRecording, "Recording"},
    {Msg::PageUserInterface, "User Interface"},
    {Msg::PagePlaylistColumns, "Playlist Columns"},
    {Msg::PageCache, "Cache"},
    {Msg::PageBpmFinder, "BPM Finder"},
    {Msg::PagePitch, "Pitch"},
    {Msg::AutoGainLabel, "When loading a media..."},
    {Msg::AutoGainKeep, "Do not change the gain"},
    {Msg::AutoGain0Db, "Normalize to 0dB (not recommanded)"},
    {Msg::AutoGain3Db, "Normalize to -3dB (recommanded)"},
    {Msg::AutoGain6Db, "Normalize to -6dB (more headroom)"},
    {Msg::GroupHiBand, "Hi Band"},
    {Msg::GroupMidBand, "Mid Band"},
    {Msg::GroupLowBand, "Low Band"},
    {Msg::FrequencyLabel, "Frequency:"},
    {Msg::ResonanceLabel, "Resonance:"},
    {Msg::LowerGainLimitLabel, "Lower Gain Limit:"},
    {Msg::UpperGainLimitLabel, "Upper Gain Limit:"},
    {Msg::HzFormat, "%1 Hz"},
    {Msg::DbFormat, "%1 dB"},
    {Msg::PlaylistPathLabel, "Playlist Path:"},
    {Msg::MediaPathLabel, "Media Path:"},
    {Msg::AutoLoadLabel, "Automatically load directory content on startup"},
    {Msg::RecordingPathLabel, "Path:"},
    {Msg::RecordingFileLabel, "Filename:"},
    {Msg::RecordingSizeLabel, "Filesize:"},
    {Msg::Size650MB, "650MB"},
    {Msg::Size1GB, "1GB"},
    {Msg::SizeMaximum, "Maximum allowed by filesystem"},
    {Msg::FullScreenLabel, "On startup, open window in fullscreen"},
    {Msg::NoSplashLabel, "Do not show the splash window"},
    {Msg::MouseSensitivityLabel, "Mouse Sensitivity:"},
    {Msg::OpenGlLabel, "Use OpenGL rendering"},
    {Msg::ColourWaveformLabel, "Colorize waveform based on spectral content"},
    {Msg::GroupDeckColours, "Deck Colors"},
    {Msg::ColourTextLabel, "Color:"},
    {Msg::ColourBackgroundLabel, "Background:"},
    {Msg::ColourPlayheadLabel, "Current Playing Position:"},
    {Msg::ColourMainBeatLabel, "Main Beat Bar:"},
    {Msg::ColourBeatLabel, "Secondary Beat Bar:"},
    {Msg::ColourWaveformFieldLabel, "Waveform:"},
    {Msg::ColourPlayedLabel, "Played:"},
    {Msg::ColourLoopLabel, "Loop:"},
    {Msg::NoHistoryNoteLabel, "Do not show the history note at start"},
    {Msg::VersionServerLabel, "Version check server:"},
    {Msg::VersionServerHelp, "A host name, or host:port, asked for a newer version at start. Empty: the program never asks."},
    {Msg::GroupDisplayColumns, "Display Selected Columns"},
    {Msg::CacheOnLabel, "Cache Hi/Mid/Low waveforms"},
    {Msg::CacheDirectoryLabel, "\"Store Cached Data to:\""},
    {Msg::BpmLowerLabel, "Lower Limit:"},
    {Msg::BpmUpperLabel, "Upper Limit:"},
    {Msg::GroupBpmSliderRange, "BPM Slider Range"},
    {Msg::PitchRangeLabel, "Range:"},
    {Msg::BendStrengthLabel, "Modulation Strength:"},
    {Msg::BrowseButton, "..."},
    {Msg::BrowseDirectoryHelp, "Choose the directory"},
    {Msg::ChooseColourHelp, "Choose the color"},
    {Msg::StatusSettingsReset, "Settings that were damaged and are now reset: %1."},
    {Msg::StatusSettingsUnreadable, "The settings file %1 cannot be read: every setting has its default value."},
    // MIDI controllers
    {Msg::MidiNoteControl, "%1 Ch.%2 Note %3"},
    {Msg::MidiCcControl, "%1 Ch.%2 CC %3"},
    {Msg::MidiCc14Control, "%1 Ch.%2 CC %3 (14-bit)"},
    {Msg::MidiPitchBendControl, "%1 Ch.%2 Pitch Bend"},
    {Msg::MidiWithModifier, "%1 with %2 held"},
    {Msg::StatusMidiUnavailable, "No MIDI controllers: the MIDI sequencer is not available (%1)."},
    {Msg::StatusMidiConnected, "MIDI controller connected: %1"},
    {Msg::StatusMidiDisconnected, "MIDI controller disconnected: %1"},
    {Msg::StatusMidiLost, "%1 MIDI messages were dropped: they came faster than the program could take them."},
    // The settings' effects.
    {Msg::SettingOpenGlHelp, "Draws the decks' waveforms and navigators through OpenGL, when this computer offers "
                             "it. Takes effect at the next start."},
};
static_assert(std::size(kBuiltIn) == kCount - 1, "every id needs its built-in text");
// The table is indexed by id: each entry sits at its id's place.
constexpr bool inIdOrder() {
  for (std::size_t i = 0; i < std::size(kBuiltIn); ++i) {
    if (int(kBuiltIn[i].id) != int(i) + 1) return false;
  }
  return true;
}
static_assert(inIdOrder(), "built-in texts are listed in the order of their ids");

std::array<QString, kCount>& texts() {
  static std::array<QString, kCount> table = [] {
    std::array<QString, kCount> built{};
    for (const Entry& entry : kBuiltIn) built[int(entry.id)] = QString::fromUtf8(entry.english);
    return built;
  }();
  return table;
}

// "de_DE.UTF-8" and "de_DE@euro" → "de".
QString languageOf(const QString& locale) { return locale.section('_', 0, 0).section('.', 0, 0).section('@', 0, 0); }

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
  // Without a locale the program runs in "C", which keeps the built-in texts whatever LANGUAGE says.
  const QString localeLanguage = languageOf(locale);
  if (localeLanguage.isEmpty() || localeLanguage == "C" || localeLanguage == "POSIX") return {};
  QStringList languages = qEnvironmentVariable("LANGUAGE").split(':', Qt::SkipEmptyParts);
  languages << locale;
  for (const QString& entry : languages) {
    const QString language = languageOf(entry);
    if (language.isEmpty() || language == "C" || language == "POSIX") continue;
    if (language == "en") return {};  // the built-in texts
    const QString path = programDir + "/Catalogs/" + language + "/GrooveMangler.catalog";
    if (QFileInfo::exists(path)) return path;
  }
  return {};
}

void CatalogTable::resetToBuiltIn() {
  for (const Entry& entry : kBuiltIn) texts()[int(entry.id)] = QString::fromUtf8(entry.english);
}

QString CatalogTable::builtIn(Msg id) {
  const int index = int(id);
  Q_ASSERT(index > 0 && index < kCount);
  return QString::fromUtf8(kBuiltIn[index - 1].english);
}

QString CatalogTable::builtInOf(const QString& shown) {
  const auto& current = texts();
  for (int index = 1; index < kCount; ++index) {
    if (current[index] == shown) return QString::fromUtf8(kBuiltIn[index - 1].english);
  }
  return shown;
}

QString CatalogTable::translatedOf(const QString& builtIn) {
  for (int index = 1; index < kCount; ++index) {
    if (builtIn == CatalogTable::builtIn(Msg(index))) return texts()[index];
  }
  return builtIn;
}

}  // namespace gm

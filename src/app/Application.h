#pragma once
// The application object without its windows: it ties the mixer controls to the mixing engine, owns
// the audio routing, runs the 25 ms tick, keeps the settings and asks the user through a requester.
// The window and the headless front end both drive it; neither holds behaviour of its own.

#include <cstdint>
#include <memory>

#include <QByteArrayList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include "core/BoundedValue.h"
#include "core/Directories.h"
#include "app/AudioRouting.h"
#include "app/MixerChannel.h"
#include "app/RemoteControl.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "core/VersionCheck.h"
#include "audio/AudioBackend.h"
#include "audio/AudioOutput.h"
#include "audio/MixEngine.h"
#include "control/EventList.h"
#include "library/MediaPanel.h"
#include "plugins/FilterRack.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "recorder/Recorder.h"
#include "tracks/Deck.h"
#include "tracks/DeckControls.h"
#include "tracks/ScriptRunner.h"
#include "tracks/ui/DeckColours.h"

namespace gm {

class AppEvents;
class Requester;

class Application : public QObject {
  Q_OBJECT
 public:
  static constexpr int kTickMs = 25;
  enum DeckNumber { kDeckA = 1, kDeckB = 2 };

  Application(Directories directories, AudioBackend& backend, Requester& requester,
              QObject* parent = nullptr);
  ~Application() override;

  // [main-thread] The creation steps that follow building the windows: tick timer, saved settings,
  // audio start, headphone settings. False (after the "Error" requester) when audio cannot start.
  bool create();

  // [main-thread] The application methods.
  void appTick();
  void appSetVolume(int deck, int index);
  void setAppCrossFader(int position);  // -60..60; other values are ignored
  bool appStartAudio();
  void appStopAudio();
  void appHeadphoneSettings();
  bool appQuit();          // asks first; true when the user confirmed
  void endByBreakSignal();  // SIGINT/SIGTERM: like a confirmed quit, without asking

  // [main-thread] Hands the twelve equaliser settings to both decks, which re-apply their band
  // knobs' gains within the new limits, and to the equaliser display.
  void appApplyEqualizer();
  // The colours of the deck views, as the settings say now.
  const DeckColours& deckColours() const { return deckColours_; }

  // [main-thread] The settings window's buttons.
  void saveSettings();
  void useSettings();
  void cancelSettings();
  // [main-thread] The history note's "Do not bother me again!": the note is not shown at the next
  // start. Stores only this setting in both copies, not what the settings window is editing.
  void turnHistoryNoteOff();

  // The mixer controls' models; the window's widgets mirror them.
  BoundedValue& volume(int deck) { return deck == kDeckB ? volumeB_ : volumeA_; }
  BoundedValue& crossFader() { return crossFader_; }
  BoundedValue& cueButton(int deck) { return deck == kDeckB ? cueB_ : cueA_; }
  BoundedValue& headphoneMasterLevel() { return headphoneMasterLevel_; }
  BoundedValue& headphoneCueLevel() { return headphoneCueLevel_; }

  Deck& deck(int deck) { return deck == kDeckB ? deckB_ : deckA_; }
  // The deck's mixer channel (gain, balance, equaliser knobs, kills, volume fader, mute).
  MixerChannel& mixerChannel(int deck) { return deck == kDeckB ? *channelB_ : *channelA_; }
  // The deck control panels' behaviour (pitch and BPM sliders, loop buttons, ...).
  DeckControls& deckControls(int deck) { return deck == kDeckB ? *controlsB_ : *controlsA_; }
  // [main-thread] Loads the first file into deck A and the second into deck B; a file that cannot be
  // loaded is reported in the deck's title line and the status line. Names are the system's bytes.
  void loadFiles(const QByteArrayList& files);
  void loadFiles(const QStringList& files);

  FilterRack& filterRack(int deck) { return deck == kDeckB ? filterRackB_ : filterRackA_; }
  PluginHost& pluginHost() { return pluginHost_; }
  EventList& events() { return events_; }
  // The command port with its commands and current deck.
  RemoteControl& remoteControl() { return *remote_; }
  // Registration, mapping file, dispatch of keys and controllers, the mapping editor's model.
  AppEvents& appEvents() { return *appEvents_; }
  Recorder& recorder() { return recorder_; }
  // The playlist and the media operations around it.
  MediaPanel& media() { return *media_; }

  Settings& settings() { return settings_; }
  StatusLine& status() { return status_; }
  VersionCheck& versionCheck() { return versionCheck_; }
  const Directories& directories() const { return directories_; }
  AudioBackend& backend() { return backend_; }
  MixEngine* engine() const { return routing_.engine(); }
  AudioOutput* masterOutput() const { return routing_.masterOutput(); }
  AudioOutput* headphoneOutput() const { return routing_.headphoneOutput(); }
  bool sharedUnit() const { return routing_.sharedUnit(); }
  const QString& clockText() const { return clockText_; }
  std::int32_t masterLevel() const { return level_; }
  std::int32_t masterLevelMaximum() const { return levelMaximum_; }

 Q_SIGNALS:
  void clockChanged(const QString& text);
  void levelChanged(int level, int maximum);
  // The event loop should end (confirmed quit or break signal).
  void quitRequested();
  // The end of a successful creation, unless the user turned the note off: the release history,
  // or the catalog's text saying it could not be read.
  void historyNoteDue(const QString& text);
  // The equaliser settings both decks run with now.
  void equaliserApplied(const EqualiserSettings& settings);
  void deckColoursChanged(const DeckColours& colours);

 private:
  void defineSettings();
  void defineEqualiserSettings();
  void defineColourSettings();
  void setUpDeckPlugins(Deck& deck, FilterRack& rack);
  void followColourWaveformSetting();
  void followSettings();
  void applySetting(const QString& id);
  void applyBendStrength();
  void applyDeckColours();
  SettingsStore::LoadResult loadSettings(SettingsStore::Tier tier);
  void createDeckControls();
  void createMixerChannels();
  void createMediaPanel();
  void applyDeckRanges();
  void connectControls();
  SettingsStore::LoadResult loadStartupSettings();
  void reportDamagedSettings(const SettingsStore::LoadResult& result);
  void setHeadphoneControlsEnabled(bool enabled);
  void applyMixerControls();
  void reportRefusedPlugins();
  void reportVersionCheck(VersionCheck::State state);
  QString historyNoteText() const;
  void storeOneSetting(const QString& id, SettingsStore::Tier tier);

  Directories directories_;
  QString runtimeProblem_;  // why the runtime directory could not be used as wanted, if so
  AudioBackend& backend_;
  Requester& requester_;
  Settings settings_;
  SettingsStore store_;
  StatusLine status_;
  VersionCheck versionCheck_;
  QTimer tick_;

  BoundedValue volumeA_{0, 60, 60};
  BoundedValue volumeB_{0, 60, 60};
  BoundedValue crossFader_{-60, 60, 0};
  BoundedValue cueA_{0, 1, 0};
  BoundedValue cueB_{0, 1, 0};
  BoundedValue headphoneMasterLevel_{0, 255, 255};
  BoundedValue headphoneCueLevel_{0, 255, 255};

  EventList events_;  // every bindable event, in registration order
  PluginHost pluginHost_;
  ScriptRunner scriptRunner_{directories_};
  FilterRack filterRackA_;
  FilterRack filterRackB_;
  Deck deckA_{0};
  Deck deckB_{1};
  std::unique_ptr<DeckControls> controlsA_;
  std::unique_ptr<DeckControls> controlsB_;
  std::unique_ptr<MixerChannel> channelA_;
  std::unique_ptr<MixerChannel> channelB_;
  Recorder recorder_{directories_, settings_, status_};
  std::unique_ptr<MediaPanel> media_;  // after the decks it loads
  std::unique_ptr<AppEvents> appEvents_;  // after the models whose events it holds
  AudioRouting routing_;  // after the decks its engine renders, so it goes before them
  std::unique_ptr<RemoteControl> remote_;  // last: no command arrives while the rest goes away

  DeckColours deckColours_ = DeckColours::defaults();
  bool loadingSettings_ = false;  // a whole tier loads: apply the equaliser once, after it

  QString clockText_;
  std::int32_t level_ = 0;
  std::int32_t levelMaximum_ = 0;
};

}  // namespace gm

#pragma once
// The audio output routing: the speakers and headphones outputs on the devices the settings choose,
// and the mixing engine between them and the two decks. It falls back to another device when a chosen
// one cannot be opened or dies while playing, so a missing device never silences the decks or keeps
// the program from starting. The application drives it; the mixer controls stay with the application.

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include <QString>

#include "audio/AudioBackend.h"
#include "audio/AudioOutput.h"
#include "audio/MixEngine.h"

namespace gm {

class Deck;
class Requester;
class Settings;
class SettingsStore;
class StatusLine;

inline constexpr const char* kMasterOutputName = "GrooveMangler Master Output";
inline constexpr const char* kLineOutputName = "GrooveMangler Line Output";
// The headphones chooser's last entry.
inline constexpr const char* kHeadphonesDisabled = "Disabled";

class AudioRouting {
 public:
  // Told whether the headphone path plays, each time it is set up or lost: the headphone controls
  // follow it.
  using HeadphonePathListener = std::function<void(bool playing)>;

  // Defines the output settings (speakers, headphones, shared-device warning) in `settings`.
  AudioRouting(AudioBackend& backend, Requester& requester, Settings& settings, const SettingsStore& store,
               StatusLine& status, Deck& deckA, Deck& deckB, HeadphonePathListener headphonePathListener);
  ~AudioRouting();  // stops the outputs before the engine they pull from goes
  AudioRouting(const AudioRouting&) = delete;
  AudioRouting& operator=(const AudioRouting&) = delete;

  // [main-thread] Stops what runs, opens the outputs on the chosen devices, builds the engine and
  // connects its ports; warns once about a device shared by speakers and headphones. False, with
  // nothing left open, when the speakers or the engine cannot be set up. Nothing plays yet.
  bool open();
  // [main-thread] After a successful open(): starts the outputs; one that refuses to start moves to
  // the null output.
  void start();
  // [main-thread] Stops and disposes the outputs, then the engine.
  void stop();
  // [main-thread] The periodic tick's share: moves outputs whose device failed to the null output,
  // reports new underflows, and hands the recorder its blocks.
  void periodicUpdate();
  // [main-thread] True when the settings now choose other devices than the running audio's, or an
  // output plays elsewhere than on its chosen device.
  bool needsRestart() const;

  MixEngine* engine() const { return engine_.get(); }
  AudioOutput* masterOutput() const { return master_.get(); }
  AudioOutput* headphoneOutput() const { return headphones_.get(); }
  // The headphones play on the speakers' device.
  bool sharedUnit() const { return sharedUnit_; }

 private:
  void openOutputs();
  std::unique_ptr<AudioOutput> openSpeakers(const std::string& device);
  std::unique_ptr<AudioOutput> openHeadphones(const std::string& device, const std::string& speakers);
  bool createEngine();
  std::size_t engineBlockFrames() const;
  void attachHeadphones();
  void warnAboutSharedUnit();
  void rememberNoSharedUnitWarning();
  void setHeadphonePath(bool playing);
  void replaceFailedOutputs();
  void replaceWithNullOutput(std::unique_ptr<AudioOutput>& output, int port);
  void reportUnderflows();
  void reportLostRecordBlocks();

  AudioBackend& backend_;
  Requester& requester_;
  Settings& settings_;
  const SettingsStore& store_;
  StatusLine& status_;
  Deck& deckA_;
  Deck& deckB_;
  HeadphonePathListener headphonePathListener_;

  std::unique_ptr<MixEngine> engine_;  // declared before the outputs that pull from it
  std::unique_ptr<AudioOutput> master_;
  std::unique_ptr<AudioOutput> headphones_;
  bool sharedUnit_ = false;
  QString startedSpeakers_;  // the devices the running audio was started with
  QString startedHeadphones_;
  bool outputsFellBack_ = false;  // an output plays elsewhere than on its chosen device

  std::uint64_t reportedLostRecordBlocks_ = 0;
  std::array<std::uint64_t, 2> reportedUnderflows_{0, 0};  // master, headphones
};

}  // namespace gm

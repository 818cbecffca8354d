#pragma once
// A deck: the loaded track, its transport (play, seek, cue, loops, tempo, bends, jog, sync) and the
// model the window, the command port and events drive. Transport runs on the main thread, decoding
// on the deck's loader thread; the render for the mixing engine is the deck's voice (plain C++, the
// only part of a deck the audio thread touches), which the deck owns and sets.

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <QObject>
#include <QString>

#include "audio/DeckEqualiser.h"
#include "audio/DeckVoice.h"
#include "core/Worker.h"
#include "groovemangler_plugin.h"
#include "tracks/BandDisplay.h"
#include "tracks/SampleData.h"
#include "tracks/TrackAnalyser.h"
#include "tracks/TrackDatabase.h"
#include "tracks/TrackEntry.h"
#include "tracks/WaveformCache.h"

namespace gm {

class FilterRack;
class PluginObject;
class ScriptRunner;

class Deck : public QObject {
  Q_OBJECT
 public:
  static constexpr std::int32_t kMinBpm = 6000;
  static constexpr std::int32_t kMaxBpm = 24000;
  static constexpr std::uint32_t kFlaggedPosition = DeckVoice::kFlaggedPosition;

  // deckIndex 0 is deck A, 1 is deck B.
  explicit Deck(int deckIndex, QObject* parent = nullptr);
  ~Deck() override;

  using Clock = std::function<std::chrono::steady_clock::time_point()>;
  // [main-thread] The clock that times jog detents (tests substitute their own).
  void setClock(Clock clock) { clock_ = std::move(clock); }

  // [main-thread] The other deck, whose next beat a cue jump waits for.
  void link(Deck* other) { linked_ = other; }
  // [main-thread, audio stopped] Sizes the render's buffers for blocks of up to this many frames.
  void prepare(std::size_t maxBlockFrames) { voice_.prepare(maxBlockFrames); }
  // The render side, which the mixing engine pulls.
  DeckVoice& voice() { return voice_; }

  // [main-thread] The deck's filter rack, run over every rendered block (nullptr: none).
  void setFilterRack(FilterRack* rack);
  // [main-thread, no load running] The beat detector asked for the tempo of tracks without a script.
  void setTempoDetector(std::unique_ptr<PluginObject> detector);
  // [main-thread, no load running] The longest track the deck takes (frames, at most
  // SampleData::kMaxFrames, the default); a longer one fails as one without the memory for it.
  void setMaxTrackFrames(std::int64_t frames) { maxTrackFrames_ = frames; }
  // [main-thread, at exit] Ends the loader: a load in progress is abandoned. False when the loader
  // is still stuck after `bound` (in a system call that cannot be interrupted, such as a read from a
  // network file system that went away); the deck must then never be destroyed, as the thread still
  // uses it: the program can only end without tearing down.
  bool stopLoading(std::chrono::milliseconds bound) { return loader_.stopWithin(bound); }
  // [main-thread, no load running] The track database: play times, saved tempo and cue, and the
  // per-track scripts whose tracks are not analysed for tempo.
  void setTrackDatabase(TrackDatabase database);
  // [main-thread] What runs a track's script after its load (nullptr: scripts are not run).
  void setScriptRunner(ScriptRunner* runner) { scriptRunner_ = runner; }
  // [main-thread] The waveform cache's settings, asked for each time a load finishes (unset: no cache).
  void setWaveformCacheSettings(std::function<WaveformCache::Settings()> settings) { cacheSettings_ = std::move(settings); }

  // [main-thread] Loading. False when refused (playing, busy, no file).
  bool loadEntry(const TrackEntry& entry);
  // [main-thread] "Save BPM & Cue": the track's tempo and cue point into its script and bpm.db.
  // False when there is nothing to save or it could not be stored (the notice says why).
  bool saveBpmCue();

  // [main-thread] Transport.
  bool play();
  void pause();
  void togglePlay();
  void setPosition(std::int64_t frame);
  void rewind() { setPosition(0); }
  void cuePoint(int jump);  // 0 sets the cue at the position, 1 jumps to it
  void shiftCue(int deltaBytes);
  void loop(int type, bool on);
  void setPitch(std::int32_t pitch);
  // Reverse play; a new track starts forwards.
  void setReverse(bool reverse);
  void setBpm(std::int32_t bpm);
  void setDetectedBpm(std::int32_t bpm);
  void setBendStep(std::int32_t step);
  void bendDown(bool held);
  void bendUp(bool held);
  void jog(int detents);
  bool sync();  // pitch to the linked deck's tempo, within ±10 %
  // Both decks have a tempo and play it within kSyncedHundredths of each other: what a sync leaves
  // (pitch and tempo are truncated, so a synced deck can lag by a few hundredths of a BPM).
  static constexpr std::int32_t kSyncedHundredths = 5;
  bool tempoMatchesLinked() const;
  void setVolumePercent(std::int32_t percent);
  void setBalance(std::int32_t balance);

  // [main-thread] The equaliser: the settings' frequencies, resonances and limits, the band knobs
  // (0..255, 127 flat) and the kill switches. Each change recomputes the sections under the deck
  // lock, so a block never runs with half-computed coefficients.
  void setEqualiserSettings(const EqualiserSettings& settings);
  void setBandKnobs(int high, int mid, int low);
  void setKills(bool high, bool mid, bool low);
  void resetEqualiser();
  const EqualiserSettings& equaliserSettings() const { return equaliserSettings_; }

  // [main-thread] The 25 ms periodic update: applies what the render posted (positions, end of track).
  void periodicUpdate();

  // [main-thread] State for views and tests.
  int deckIndex() const { return deckIndex_; }
  bool playing() const { return voice_.playing(); }
  bool busy() const { return busy_; }
  bool hasTrack() const;
  const QString& title() const { return title_; }
  // The file of the track loaded or loading, as the system names it; empty when none.
  const QByteArray& filePath() const { return filePath_; }
  std::shared_ptr<const SampleData> sample() const { return sample_; }
  // [main-thread] The band toggles and what the waveform views show.
  BandDisplay& bandDisplay() { return bandDisplay_; }
  const BandDisplay& bandDisplay() const { return bandDisplay_; }
  std::int32_t frames() const;
  std::int32_t positionFrames() const { return positionFrames_; }  // last position reported
  std::int32_t cueFrame() const;
  std::int32_t cueBytes() const { return cueBytes_; }
  std::int32_t loopStart() const { return navigatorLoopStart_; }
  std::int32_t loopEnd() const { return navigatorLoopEnd_; }
  std::int32_t pitch() const { return pitch_; }
  bool reversed() const { return reverse_; }
  std::int32_t bpm() const { return bpm_; }
  std::int32_t currentBpm() const { return currentBpm_; }
  std::int32_t bendStep() const { return bendStep_; }
  std::int32_t volumePercent() const { return volumePercent_; }
  QString bpmText() const;
  QString elapsedText() const;
  QString remainingText() const;
  // [main-thread] A copy of the voice as the renderer sees it (taken under the lock).
  gm_voice_state voiceSnapshot() const { return voice_.snapshot(); }

 Q_SIGNALS:
  void titleChanged(const QString& title);
  void playingChanged(bool playing);
  void positionChanged(std::int32_t frame, bool flagged);
  void cueChanged(std::int32_t cueBytes);
  void loopChanged(std::int32_t start, std::int32_t end);
  void pitchChanged(std::int32_t pitch);
  void reverseChanged(bool reverse);
  void bpmChanged(std::int32_t bpm);
  void currentBpmChanged(std::int32_t currentBpm);
  void loadProgress(std::int32_t percent);
  void loaded();
  // The track could not be loaded; the title line says why.
  void loadFailed(const QString& message);
  // The track loaded, but the file holds noticeably less than it states; the title line says so.
  void loadedPartly(const QString& message);
  void recentre();
  void peakChanged(std::int32_t peak);
  // A line for the status line: a store that failed, a saved tempo and cue.
  void notice(const QString& text);

 private:
  void openAndDecode(const std::string& path, const QString& fileName);
  void runScript(const SampleData& sample);
  void onLoadProgress(const std::shared_ptr<SampleData>& sample, std::int32_t percent);
  void onLoadFinished(const std::shared_ptr<SampleData>& sample);
  void onLoadFailed(const QString& fileName, const QString& reason);
  void showIfCutShort(const SampleData& sample);
  void analyseBands(const std::shared_ptr<SampleData>& sample, const WaveformCache::Settings& cache);
  void onAnalysisFinished();
  void detachTrack();
  void setPlaying(bool playing);
  void updateCurrentBpm();
  void showLoopOnNavigator();
  void setUpEqualiser();

  const int deckIndex_;
  Deck* linked_ = nullptr;
  DeckVoice voice_;
  // Decoding, tempo, play time and bands; used on the loader thread, set between loads, and its
  // database read by both threads.
  TrackAnalyser analyser_;
  std::int64_t maxTrackFrames_ = SampleData::kMaxFrames;  // read by the loader between loads only
  ScriptRunner* scriptRunner_ = nullptr;
  std::function<WaveformCache::Settings()> cacheSettings_;
  BandDisplay bandDisplay_;

  EqualiserSettings equaliserSettings_;
  int highKnob_ = 127;
  int midKnob_ = 127;
  int lowKnob_ = 127;

  bool busy_ = false;
  std::shared_ptr<SampleData> sample_;
  QString title_;
  QByteArray filePath_;
  std::int32_t positionFrames_ = 0;
  std::int32_t cueBytes_ = 0;
  std::int32_t navigatorLoopStart_ = 0;
  std::int32_t navigatorLoopEnd_ = 0;
  std::int32_t pitch_ = 10000;
  bool reverse_ = false;
  std::int32_t bpm_ = 0;
  std::int32_t currentBpm_ = 0;
  std::int32_t bendStep_ = 10;
  std::int32_t volumePercent_ = 100;
  std::int32_t seconds_ = 0;
  std::int32_t secondsAtPitch_ = 0;
  std::chrono::steady_clock::time_point lastJogTime_{};
  Clock clock_ = [] { return std::chrono::steady_clock::now(); };
  Worker loader_;  // last: its thread stops before the rest of the deck goes away
};

}  // namespace gm

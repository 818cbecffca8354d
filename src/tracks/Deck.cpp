#include "tracks/Deck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFile>

#include "core/CatalogTable.h"
#include "core/MainThread.h"
#include "plugins/FilterRack.h"
#include "plugins/PluginObject.h"
#include "tracks/ScriptRunner.h"

namespace gm {
namespace {

QString clockText(std::int32_t seconds) {
  const std::int32_t s = std::abs(seconds);
  return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

// A length as people write it: "1:13", "10:00", "3:22:53".
QString durationText(std::int64_t frames) {
  const std::int64_t s = frames / 44100;
  if (s < 3600) return QString::asprintf("%d:%02d", int(s / 60), int(s % 60));
  return QString::asprintf("%lld:%02d:%02d", static_cast<long long>(s / 3600), int(s / 60 % 60), int(s % 60));
}

QString notSavedText(const TrackDatabase::Failure& failure) {
  return msg(Msg::StatusFileNotSaved).arg(failure.path, failure.reason);
}

}  // namespace

Deck::Deck(int deckIndex, QObject* parent)
    : QObject(parent), deckIndex_(deckIndex), loader_("GrooveMangler Loader") {
  setUpEqualiser();
}

Deck::~Deck() = default;

void Deck::setFilterRack(FilterRack* rack) { voice_.setFilter(rack ? &rack->chain() : nullptr); }

void Deck::setTempoDetector(std::unique_ptr<PluginObject> detector) {
  // The loader thread is the detector's only user: hand it over between jobs.
  loader_.waitIdle();
  analyser_.setTempoDetector(std::move(detector));
}

void Deck::setTrackDatabase(TrackDatabase database) {
  // The loader thread reads it: hand it over between jobs.
  loader_.waitIdle();
  analyser_.setTrackDatabase(std::move(database));
}

bool Deck::hasTrack() const { return voiceSnapshot().pcm != nullptr; }

std::int32_t Deck::frames() const { return voiceSnapshot().frames; }

std::int32_t Deck::cueFrame() const { return voiceSnapshot().cue_frame; }

// ---- loading -----------------------------------------------------------------------------------

bool Deck::loadEntry(const TrackEntry& entry) {
  if (entry.nativePath.isEmpty() || playing() || busy_) return false;
  busy_ = true;
  detachTrack();
  bandDisplay_.startTrack();
  setPitch(10000);
  setReverse(false);
  bpm_ = currentBpm_ = 0;
  Q_EMIT bpmChanged(0);
  Q_EMIT currentBpmChanged(0);
  positionFrames_ = cueBytes_ = 0;
  navigatorLoopStart_ = navigatorLoopEnd_ = 0;
  title_ = entry.titleLine();
  filePath_ = entry.nativePath;
  Q_EMIT titleChanged(title_);
  Q_EMIT positionChanged(0, false);
  Q_EMIT cueChanged(0);
  Q_EMIT loopChanged(0, 0);
  const std::string path = entry.nativePath.toStdString();
  const QString fileName = entry.fileName();
  loader_.post([this, path, fileName] { openAndDecode(path, fileName); });
  return true;
}

void Deck::detachTrack() {
  std::shared_ptr<SampleData> old = std::move(sample_);
  // The render stops seeing the memory before it is freed.
  voice_.detachTrack();
  old.reset();
}

void Deck::openAndDecode(const std::string& path, const QString& fileName) {
  TrackLoader::Hooks hooks;
  hooks.attach = [this](const std::shared_ptr<SampleData>& sample) { voice_.attachLoadingTrack(sample->pcm.data()); };
  hooks.decoded = [this](const SampleData&, std::int32_t frames) { voice_.setDecodedFrames(frames); };
  hooks.progress = [this](const std::shared_ptr<SampleData>& sample) {
    // The percentage travels with the post: the loader goes on writing the record meanwhile.
    const std::int32_t percent = sample->loadPercent;
    MainThread::post(this, [this, sample, percent] { onLoadProgress(sample, percent); });
  };
  hooks.cancelled = [this] { return loader_.stopping(); };
  TrackLoader::Options options;
  options.maxFrames = maxTrackFrames_;
  const TrackAnalyser::Loaded loaded = analyser_.load(path, hooks, options);
  if (const auto& failure = loaded.playTimeFailure) {
    MainThread::post(this, [this, failure = *failure] { Q_EMIT notice(notSavedText(failure)); });
  }
  const std::shared_ptr<SampleData>& sample = loaded.sample;
  // Without a sample and without a reason, the track could not have the memory it needs.
  if (!sample && !loaded.error.empty()) {
    const QString reason = QString::fromStdString(loaded.error);
    MainThread::post(this, [this, fileName, reason] { onLoadFailed(fileName, reason); });
    return;
  }
  MainThread::post(this, [this, sample] { onLoadFinished(sample); });
}

void Deck::runScript(const SampleData& sample) {
  const TrackDatabase& database = analyser_.database();
  if (scriptRunner_ == nullptr || !database.hasScript(sample.scriptPath)) return;
  scriptRunner_->run(database.scriptPath(sample.scriptPath), deckIndex_ == 0 ? "DECKA" : "DECKB");
}

bool Deck::saveBpmCue() {
  const std::shared_ptr<SampleData> sample = sample_;
  // A track still loading has no digest yet.
  const TrackDatabase& database = analyser_.database();
  if (!sample || !sample->loadEnded.load(std::memory_order_acquire) || !database.available()) return false;
  TrackDatabase::Failure failure;
  if (!database.saveBpmCue(sample->digest, sample->scriptPath, bpm_, cueBytes_ / 4, &failure)) {
    if (!failure.path.isEmpty()) Q_EMIT notice(notSavedText(failure));
    return false;
  }
  Q_EMIT notice(msg(Msg::StatusBpmCueSaved).arg(msg(deckIndex_ == 0 ? Msg::DeckATitle : Msg::DeckBTitle)));
  // Listeners (the playlist's tempo column) read the stored values again.
  Q_EMIT loaded();
  return true;
}

void Deck::onLoadProgress(const std::shared_ptr<SampleData>& sample, std::int32_t percent) {
  if (!busy_) return;
  sample_ = sample;
  Q_EMIT loadProgress(percent);
}

void Deck::onLoadFinished(const std::shared_ptr<SampleData>& sample) {
  if (!sample) {
    detachTrack();
    filePath_.clear();
    title_ = msg(Msg::NotEnoughResources);
    Q_EMIT titleChanged(title_);
    Q_EMIT loadFailed(title_);
    busy_ = false;
    return;
  }
  Q_EMIT peakChanged(sample->peak);
  sample_ = sample;
  voice_.completeTrack(sample->pcm.data(), sample->frames);
  seconds_ = secondsAtPitch_ = sample->seconds;
  // A deck started while its track loaded plays on from where it is.
  if (!playing()) setPosition(0);
  runScript(*sample);
  if (sample->detectedBpm != 0) setDetectedBpm(sample->detectedBpm);
  const WaveformCache::Settings cache = cacheSettings_ ? cacheSettings_() : WaveformCache::Settings{};
  loader_.post([this, sample, cache] { analyseBands(sample, cache); });
  if (sample->sourceSampleRate != sample->sampleRate) {
    title_ = msg(Msg::ResampledTitle).arg(title_).arg(sample->sourceSampleRate);
    Q_EMIT titleChanged(title_);
  }
  showIfCutShort(*sample);
  Q_EMIT loaded();
}

void Deck::showIfCutShort(const SampleData& sample) {
  if (!sample.cutShort()) return;
  title_ = msg(Msg::CutShortTitle).arg(title_, durationText(sample.frames), durationText(sample.statedFrames));
  Q_EMIT titleChanged(title_);
  Q_EMIT loadedPartly(title_);
}

void Deck::onLoadFailed(const QString& fileName, const QString& reason) {
  busy_ = false;
  detachTrack();
  filePath_.clear();
  title_ = msg(Msg::LoadFailed).arg(fileName, CatalogTable::translatedOf(reason));
  Q_EMIT titleChanged(title_);
  Q_EMIT loadFailed(title_);
}

void Deck::analyseBands(const std::shared_ptr<SampleData>& sample, const WaveformCache::Settings& cache) {
  BandAnalysis::Hooks hooks;
  hooks.bandDone = [this](Band band, bool ready) {
    MainThread::post(this, [this, band, ready] { bandDisplay_.setReady(band, ready); });
  };
  hooks.finished = [this] { MainThread::post(this, [this] { onAnalysisFinished(); }); };
  hooks.cancelled = [this] { return loader_.stopping(); };
  analyser_.analyseBands(*sample, cache, hooks);
}

void Deck::onAnalysisFinished() {
  if (sample_) {
    sample_->analysisDone = true;
    bandDisplay_.setColourReady(sample_->bands.colourReady);
  }
  busy_ = false;
}

// ---- transport ---------------------------------------------------------------------------------

bool Deck::play() {
  if (!hasTrack()) return false;
  setPlaying(true);
  return true;
}

void Deck::pause() { setPlaying(false); }

void Deck::togglePlay() { playing() ? pause() : void(play()); }

void Deck::setPlaying(bool playing) {
  if (voice_.setPlaying(playing)) Q_EMIT playingChanged(playing);
}

void Deck::setPosition(std::int64_t frame) {
  if (!voice_.setPosition(frame)) return;
  positionFrames_ = std::int32_t(frame);
  Q_EMIT positionChanged(positionFrames_, false);
}

void Deck::cuePoint(int jump) {
  if (jump == 0) {
    cueBytes_ = voice_.setCueAtPosition() * 4;
    Q_EMIT cueChanged(cueBytes_);
    return;
  }
  std::int32_t silence = 0;
  // Waiting for the other deck's next beat only makes sense while that deck plays: a paused deck's
  // beat gap is left over from its last block.
  if (linked_ && linked_->playing()) {
    const gm_voice_state other = linked_->voiceSnapshot();
    if (other.beat_gap >= 0 && std::int64_t(other.beat_gap) <= std::int64_t(other.frames) * 4) silence = other.beat_gap;
  }
  voice_.setSilenceFrames(silence);
  setPosition(cueBytes_ / 4);
  Q_EMIT recentre();
}

void Deck::shiftCue(int deltaBytes) {
  cueBytes_ = std::max(0, cueBytes_ + deltaBytes);
  Q_EMIT cueChanged(cueBytes_);
}

void Deck::loop(int type, bool on) {
  if (!on || type == 0) {
    voice_.clearLoop();
  } else {
    voice_.startLoop(type, bpm_);
  }
  showLoopOnNavigator();
}

void Deck::showLoopOnNavigator() {
  const gm_voice_state voice = voiceSnapshot();
  navigatorLoopStart_ = voice.loop_start;
  navigatorLoopEnd_ = voice.pending_loop_end != 0 ? voice.pending_loop_end : voice.loop_end;
  Q_EMIT loopChanged(navigatorLoopStart_, navigatorLoopEnd_);
}

void Deck::setPitch(std::int32_t pitch) {
  pitch_ = pitch;
  voice_.setPitch(pitch);
  secondsAtPitch_ = pitch != 0 ? std::int32_t(seconds_ / std::fabs(pitch / 10000.0)) : 0;
  Q_EMIT pitchChanged(pitch_);
  if (bpm_ != 0) updateCurrentBpm();
}

void Deck::setReverse(bool reverse) {
  if (reverse == reverse_) return;
  reverse_ = reverse;
  voice_.setReverse(reverse);
  Q_EMIT reverseChanged(reverse_);
}

void Deck::updateCurrentBpm() {
  currentBpm_ = std::int32_t(bpm_ * (pitch_ / 10000.0));
  Q_EMIT currentBpmChanged(currentBpm_);
}

void Deck::setBpm(std::int32_t bpm) {
  if (bpm < kMinBpm || bpm > kMaxBpm || !hasTrack()) return;
  bpm_ = bpm;
  voice_.setBpm(bpm);
  Q_EMIT bpmChanged(bpm_);
  updateCurrentBpm();
}

void Deck::setDetectedBpm(std::int32_t bpm) {
  if (bpm < kMinBpm || bpm > kMaxBpm || !hasTrack()) return;
  bpm_ = bpm;
  updateCurrentBpm();
}

void Deck::setBendStep(std::int32_t step) {
  bendStep_ = step;
  voice_.setBendStep(step);
}

void Deck::bendDown(bool held) { voice_.holdBend(held ? -1 : 0); }

void Deck::bendUp(bool held) { voice_.holdBend(held ? 1 : 0); }

void Deck::jog(int detents) {
  if (playing()) {
    voice_.jogBend(detents);
    return;
  }
  if (!hasTrack()) return;
  const auto now = clock_();
  const auto elapsedUs = std::chrono::duration_cast<std::chrono::microseconds>(now - lastJogTime_).count();
  const std::int64_t step = elapsedUs >= 1000000 ? 50 : std::int64_t(12.0 * 1000000.0 / double(std::max<std::int64_t>(elapsedUs, 1)));
  const std::int64_t target = std::int64_t(voiceSnapshot().position) + detents * step;
  if (target >= 0) setPosition(target);
  lastJogTime_ = now;
}

bool Deck::sync() {
  if (!linked_ || bpm_ == 0) return false;
  const float ratio = float(linked_->currentBpm()) / float(bpm_);
  if (!(ratio > 0.9f && ratio < 1.1f)) return false;
  setPitch(std::int32_t(ratio * 10000.0f));
  return true;
}

bool Deck::tempoMatchesLinked() const {
  if (!linked_ || currentBpm_ == 0 || linked_->currentBpm() == 0) return false;
  return std::abs(currentBpm_ - linked_->currentBpm()) <= kSyncedHundredths;
}

void Deck::setVolumePercent(std::int32_t percent) {
  volumePercent_ = percent;
  voice_.setVolume(float(percent) / 100.0f);
}

void Deck::setBalance(std::int32_t balance) { voice_.setBalance(balance); }

void Deck::setEqualiserSettings(const EqualiserSettings& settings) {
  equaliserSettings_ = settings;
  setUpEqualiser();
}

void Deck::setBandKnobs(int high, int mid, int low) {
  highKnob_ = high;
  midKnob_ = mid;
  lowKnob_ = low;
  setUpEqualiser();
}

void Deck::setUpEqualiser() {
  const EqualiserSettings& s = equaliserSettings_;
  const float highDb = DeckEqualiser::bandGainDb(highKnob_, s.high.lowerLimitDb, s.high.upperLimitDb);
  const float midDb = DeckEqualiser::bandGainDb(midKnob_, s.mid.lowerLimitDb, s.mid.upperLimitDb);
  const float lowDb = DeckEqualiser::bandGainDb(lowKnob_, s.low.lowerLimitDb, s.low.upperLimitDb);
  voice_.setUpEqualiser(s, highDb, midDb, lowDb);
}

void Deck::setKills(bool high, bool mid, bool low) { voice_.setKills(high, mid, low); }

void Deck::resetEqualiser() {
  voice_.resetEqualiser();
  setUpEqualiser();
}

QString Deck::bpmText() const {
  if (bpm_ == 0) return "---";
  return QString::asprintf("%3.2f", bpm_ * pitch_ / 10000.0 / 100.0);
}

QString Deck::elapsedText() const {
  const double speed = std::fabs(pitch_ / 10000.0);
  return clockText(speed > 0 ? std::int32_t(positionFrames_ / 44100.0 / speed) : 0);
}

QString Deck::remainingText() const {
  const double speed = std::fabs(pitch_ / 10000.0);
  const std::int32_t left = std::max(0, frames() - positionFrames_);
  return "-" + clockText(speed > 0 ? std::int32_t(left / 44100.0 / speed) : 0);
}

// ---- the render's reports -------------------------------------------------------------------------

void Deck::periodicUpdate() {
  DeckVoice::RenderEvent event;
  while (voice_.nextRenderEvent(event)) {
    if (event.kind == DeckVoice::RenderEvent::EndOfTrack) {
      pause();
      continue;
    }
    const bool flagged = (event.value & kFlaggedPosition) != 0;
    // The render already plays from this position: reports update what is shown, they never seek.
    positionFrames_ = std::int32_t(event.value & ~kFlaggedPosition);
    Q_EMIT positionChanged(positionFrames_, flagged);
  }
}

}  // namespace gm

#include "tracks/Deck.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include <QFileInfo>

#include "core/CatalogTable.h"
#include "core/MainThread.h"
#include "audio/BeatGrid.h"
#include "plugins/FilterRack.h"
#include "plugins/PluginObject.h"
#include "tracks/TrackLoader.h"

namespace gm {
namespace {

QString clockText(std::int32_t seconds) {
  const std::int32_t s = std::abs(seconds);
  return QString::asprintf("%02d:%02d:%02d", s / 3600, s / 60 % 60, s % 60);
}

}  // namespace

Deck::Deck(int deckIndex, QObject* parent)
    : QObject(parent), deckIndex_(deckIndex), loader_("GrooveMangler Loader") {
  voice_.volume = 1.0f;
  voice_.speed = 1.0f;
  setUpEqualiser();
}

Deck::~Deck() = default;

void Deck::setFilterRack(FilterRack* rack) {
  std::lock_guard guard(lock_);
  filterRack_ = rack;
}

void Deck::setTempoDetector(std::unique_ptr<PluginObject> detector) {
  // The loader thread is the detector's only user: hand it over between jobs.
  loader_.waitIdle();
  detector_ = std::move(detector);
}

void Deck::prepare(std::size_t maxBlockFrames) {
  std::vector<float> work(maxBlockFrames * 2);
  std::lock_guard guard(lock_);
  renderer_.prepare(maxBlockFrames);
  stateRenderer_.prepare(maxBlockFrames);
  equaliserWork_.swap(work);
}

bool Deck::hasTrack() const {
  std::lock_guard guard(lock_);
  return voice_.pcm != nullptr;
}

std::int32_t Deck::frames() const {
  std::lock_guard guard(lock_);
  return voice_.frames;
}

std::int32_t Deck::cueFrame() const {
  std::lock_guard guard(lock_);
  return voice_.cue_frame;
}

gm_voice_state Deck::voiceSnapshot() const {
  std::lock_guard guard(lock_);
  return voice_;
}

// ---- loading -----------------------------------------------------------------------------------

bool Deck::loadEntry(const TrackEntry& entry) {
  if (entry.path.isEmpty() || playing() || busy_) return false;
  busy_ = true;
  detachTrack();
  setPitch(10000);
  bpm_ = currentBpm_ = 0;
  Q_EMIT bpmChanged(0);
  Q_EMIT currentBpmChanged(0);
  positionFrames_ = cueBytes_ = 0;
  navigatorLoopStart_ = navigatorLoopEnd_ = 0;
  title_ = entry.titleLine();
  Q_EMIT titleChanged(title_);
  Q_EMIT positionChanged(0, false);
  Q_EMIT cueChanged(0);
  Q_EMIT loopChanged(0, 0);
  const std::string path = QFile::encodeName(entry.path).toStdString();
  loader_.post([this, path] { openAndDecode(path); });
  return true;
}

void Deck::detachTrack() {
  std::shared_ptr<SampleData> old = std::move(sample_);
  {
    // The render stops seeing the memory before it is freed (after the lock is released).
    std::lock_guard guard(lock_);
    const float volume = voice_.volume;
    const std::int32_t balance = voice_.balance;
    voice_ = gm_voice_state{};
    voice_.volume = volume;
    voice_.balance = balance;
    voice_.speed = 1.0f;
    bendOffset_ = bendCountdown_ = bendFactor_ = 0;
  }
  discardRenderEvents();
  old.reset();
}

void Deck::openAndDecode(const std::string& path) {
  TrackLoader::Hooks hooks;
  hooks.attach = [this](const std::shared_ptr<SampleData>& sample) { attachSample(sample); };
  hooks.decoded = [this](std::int32_t frames) {
    std::lock_guard guard(lock_);
    voice_.frames = frames;
  };
  hooks.progress = [this](const std::shared_ptr<SampleData>& sample) {
    // The percentage travels with the post: the loader goes on writing the record meanwhile.
    const std::int32_t percent = sample->loadPercent;
    MainThread::post(this, [this, sample, percent] { onLoadProgress(sample, percent); });
  };
  hooks.cancelled = [this] { return loader_.stopping(); };
  std::string error;
  std::shared_ptr<SampleData> sample = TrackLoader::decode(path, hooks, error);
  if (!sample && !error.empty()) {
    const QString file = QFile::decodeName(path.c_str());
    const QString reason = QString::fromStdString(error);
    MainThread::post(this, [this, file, reason] { onLoadFailed(file, reason); });
    return;
  }
  if (sample) detectTempo(*sample);
  MainThread::post(this, [this, sample] { onLoadFinished(sample); });
}

void Deck::detectTempo(SampleData& sample) {
  // A track with a script gets its tempo from the script.
  if (!detector_ || QFile::exists(QString::fromStdString(homeDirectory_ + "/" + sample.scriptPath))) return;
  sample.detectedBpm = std::int32_t(detector_->detectTempo(sample.pcm.data(), std::uint32_t(sample.frames)));
}

void Deck::attachSample(const std::shared_ptr<SampleData>& sample) {
  std::lock_guard guard(lock_);
  const bool replacing = voice_.pcm != nullptr;
  voice_.pcm = sample->pcm.data();
  // Only decoded frames are playable: the track grows as the loader goes (see the decoded hook).
  if (replacing) return;  // memory grown mid-load: the play position stays where it is
  voice_.frames = 0;
  trackComplete_ = false;
  voice_.position = 0;
  voice_.fraction = 0.0f;
  voice_.loop_start = voice_.loop_end = voice_.loop_reserved = voice_.pending_loop_end = 0;
  voice_.speed = 1.0f;
}

void Deck::onLoadProgress(const std::shared_ptr<SampleData>& sample, std::int32_t percent) {
  if (!busy_) return;
  sample_ = sample;
  Q_EMIT loadProgress(percent);
}

void Deck::onLoadFinished(const std::shared_ptr<SampleData>& sample) {
  if (!sample) {
    detachTrack();
    title_ = msg(Msg::NotEnoughResources);
    Q_EMIT titleChanged(title_);
    Q_EMIT loadFailed(title_);
    busy_ = false;
    return;
  }
  Q_EMIT peakChanged(sample->peak);
  sample_ = sample;
  {
    std::lock_guard guard(lock_);
    voice_.pcm = sample->pcm.data();
    voice_.frames = sample->frames;
    trackComplete_ = true;
  }
  seconds_ = secondsAtPitch_ = sample->seconds;
  setPosition(0);
  if (sample->detectedBpm != 0) setDetectedBpm(sample->detectedBpm);
  loader_.post([this] { MainThread::post(this, [this] { onAnalysisFinished(); }); });
  if (sample->sourceSampleRate != sample->sampleRate) {
    title_ = msg(Msg::ResampledTitle).arg(title_).arg(sample->sourceSampleRate);
    Q_EMIT titleChanged(title_);
  }
  Q_EMIT loaded();
}

void Deck::onLoadFailed(const QString& path, const QString& reason) {
  busy_ = false;
  detachTrack();
  title_ = msg(Msg::LoadFailed).arg(QFileInfo(path).fileName(), reason);
  Q_EMIT titleChanged(title_);
  Q_EMIT loadFailed(title_);
}

void Deck::onAnalysisFinished() {
  if (sample_) sample_->analysisDone = true;
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
  if (playing_.exchange(playing) == playing) return;
  Q_EMIT playingChanged(playing);
}

void Deck::setPosition(std::int64_t frame) {
  {
    std::lock_guard guard(lock_);
    if (!voice_.pcm || frame < 0 || frame > voice_.frames) return;
    voice_.position = std::int32_t(frame);
  }
  positionFrames_ = std::int32_t(frame);
  Q_EMIT positionChanged(positionFrames_, false);
}

void Deck::cuePoint(int jump) {
  if (jump == 0) {
    {
      std::lock_guard guard(lock_);
      voice_.cue_frame = voice_.position;
      cueBytes_ = voice_.position * 4;
    }
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
  if (playing()) discardRenderEvents();
  {
    std::lock_guard guard(lock_);
    voice_.silence_frames = silence;
  }
  setPosition(cueBytes_ / 4);
  Q_EMIT recentre();
}

void Deck::shiftCue(int deltaBytes) {
  cueBytes_ = std::max(0, cueBytes_ + deltaBytes);
  Q_EMIT cueChanged(cueBytes_);
}

void Deck::loop(int type, bool on) {
  if (!on || type == 0) {
    {
      std::lock_guard guard(lock_);
      // The pending end goes too: left over, it would cut the next loop at its first wrap.
      voice_.loop_start = voice_.loop_end = voice_.loop_reserved = voice_.pending_loop_end = 0;
    }
    showLoopOnNavigator();
    return;
  }
  if (type < 1 || type >= kLoopTypeCount || bpm_ == 0) return;
  {
    std::lock_guard guard(lock_);
    const std::int32_t beat = framesPerBeat(bpm_);
    const std::int32_t offset = std::abs(voice_.cue_frame - voice_.position) % beat;
    const std::int32_t gap = beat - offset;
    const std::int32_t length = loopLengthFrames(type, bpm_);
    if (voice_.loop_start == 0) {
      voice_.loop_start = voice_.position + gap;
      voice_.loop_end = voice_.loop_start + length;
    } else {
      voice_.pending_loop_end = voice_.loop_start + length;
    }
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
  {
    std::lock_guard guard(lock_);
    pitch_ = pitch;
  }
  secondsAtPitch_ = pitch != 0 ? std::int32_t(seconds_ / std::fabs(pitch / 10000.0)) : 0;
  Q_EMIT pitchChanged(pitch_);
  if (bpm_ != 0) updateCurrentBpm();
}

void Deck::updateCurrentBpm() {
  currentBpm_ = std::int32_t(bpm_ * (pitch_ / 10000.0));
  Q_EMIT currentBpmChanged(currentBpm_);
}

void Deck::setBpm(std::int32_t bpm) {
  if (bpm < kMinBpm || bpm > kMaxBpm || !hasTrack()) return;
  bpm_ = bpm;
  {
    std::lock_guard guard(lock_);
    voice_.bpm = bpm;
  }
  Q_EMIT bpmChanged(bpm_);
  updateCurrentBpm();
}

void Deck::setDetectedBpm(std::int32_t bpm) {
  if (bpm < kMinBpm || bpm > kMaxBpm || !hasTrack()) return;
  bpm_ = bpm;
  updateCurrentBpm();
}

void Deck::setBendStep(std::int32_t step) {
  std::lock_guard guard(lock_);
  bendStep_ = step;
}

void Deck::bendDown(bool held) {
  std::lock_guard guard(lock_);
  bendOffset_ = held ? -bendStep_ : 0;
}

void Deck::bendUp(bool held) {
  std::lock_guard guard(lock_);
  bendOffset_ = held ? bendStep_ : 0;
}

void Deck::jog(int detents) {
  if (playing()) {
    std::lock_guard guard(lock_);
    bendCountdown_ = 10;
    bendFactor_ = detents * 10;
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

void Deck::setVolumePercent(std::int32_t percent) {
  volumePercent_ = percent;
  std::lock_guard guard(lock_);
  voice_.volume = float(percent) / 100.0f;
}

void Deck::setBalance(std::int32_t balance) {
  std::lock_guard guard(lock_);
  voice_.balance = std::clamp(balance, -32767, 32767);
}

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
  std::lock_guard guard(lock_);
  equaliser_.setup(s, highDb, midDb, lowDb);
}

void Deck::setKills(bool high, bool mid, bool low) {
  std::lock_guard guard(lock_);
  equaliser_.setKills(high, mid, low);
}

void Deck::resetEqualiser() {
  {
    std::lock_guard guard(lock_);
    equaliser_.reset();
  }
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

// ---- render and its reports ----------------------------------------------------------------------

void Deck::renderBlock(SampleBlock block) {
  std::fill_n(block.samples, block.sampleCount(), std::int16_t{0});
  if (!playing_.load(std::memory_order_relaxed)) return;
  std::lock_guard guard(lock_);
  if (!voice_.pcm) return;
  advanceBend();
  voice_.speed = float(pitch_ + bendOffset_) / 10000.0f;
  const gm_voice_state before = voice_;
  renderer_.render(voice_, block);
  if (filterRack_) filterRack_->process(block.samples, std::uint32_t(block.bytes()), this, &before);
  bool ended = false;
  if (voice_.position >= voice_.frames) {
    // While the track still decodes, play waits at the decoded edge instead of ending.
    voice_.position = voice_.frames;
    ended = trackComplete_;
  } else if (voice_.position < 0) {
    voice_.position = 0;
  }
  equaliser_.runBlock(block, equaliserWork_);
  const bool looping = voice_.loop_start != voice_.loop_end;
  const bool flagged = bendOffset_ != 0 || (looping && ++loopBlocks_ % 10 == 0);
  postRenderEvent({RenderEvent::Position, std::uint32_t(voice_.position) | (flagged ? kFlaggedPosition : 0u)});
  if (ended) postRenderEvent({RenderEvent::EndOfTrack, 0});
}

void Deck::renderFromState(const gm_voice_state& state, SampleBlock block) {
  gm_voice_state copy = state;
  stateRenderer_.render(copy, block);
}

void Deck::advanceBend() {
  if (bendCountdown_ <= 0) return;
  --bendCountdown_;
  bendOffset_ = bendCountdown_ == 0 ? 0 : bendStep_ * bendFactor_;
}

void Deck::postRenderEvent(RenderEvent event) {
  // A full ring means the main thread stalled; the next block reports a newer position anyway.
  renderEvents_.push(&event, 1);
}

void Deck::discardRenderEvents() {
  RenderEvent event;
  while (renderEvents_.pop(&event, 1) == 1) {
  }
}

void Deck::periodicUpdate() {
  RenderEvent event;
  while (renderEvents_.pop(&event, 1) == 1) {
    if (event.kind == RenderEvent::EndOfTrack) {
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

#include "app/AudioRouting.h"

#include <algorithm>

#include "core/CatalogTable.h"
#include "core/Requester.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "core/StatusLine.h"
#include "audio/SampleBlock.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

AudioRouting::AudioRouting(AudioBackend& backend, Requester& requester, Settings& settings,
                           const SettingsStore& store, StatusLine& status, Deck& deckA, Deck& deckB,
                           HeadphonePathListener headphonePathListener)
    : backend_(backend),
      requester_(requester),
      settings_(settings),
      store_(store),
      status_(status),
      deckA_(deckA),
      deckB_(deckB),
      headphonePathListener_(std::move(headphonePathListener)) {
  settings_.define(SettingId::kSpeakers, qs(backend_.defaultDevice()));
  settings_.define(SettingId::kHeadphones, QString(kNullOutputName));
  settings_.define(SettingId::kNoSharedUnitWarning, false);
}

AudioRouting::~AudioRouting() { stop(); }

bool AudioRouting::open() {
  stop();  // a restart never leaves the old outputs running
  openOutputs();
  if (!createEngine() || !master_ || !master_->connect(*engine_, MixEngine::kMasterPort)) {
    stop();
    return false;
  }
  attachHeadphones();
  return true;
}

void AudioRouting::openOutputs() {
  sharedUnit_ = false;
  outputsFellBack_ = false;
  startedSpeakers_ = settings_.text(SettingId::kSpeakers);
  startedHeadphones_ = settings_.text(SettingId::kHeadphones);
  const std::string speakers = startedSpeakers_.toStdString();
  const std::string headphones = startedHeadphones_.toStdString();
  master_ = openSpeakers(speakers);
  if (headphones != kHeadphonesDisabled) headphones_ = openHeadphones(headphones, master_ ? master_->deviceName() : speakers);
}

std::unique_ptr<AudioOutput> AudioRouting::openSpeakers(const std::string& device) {
  if (device == kNullOutputName && backend_.outputDevices().empty()) status_.show(msg(Msg::StatusNoSoundDevice));
  std::unique_ptr<AudioOutput> output = backend_.open(device, kMasterOutputName);
  if (output || device == kNullOutputName) return output;
  // A saved device that is gone (unplugged, renamed) must not keep the program from starting.
  status_.show(msg(Msg::StatusSpeakersUnavailable).arg(qs(device), kMasterOutputName));
  outputsFellBack_ = true;
  return backend_.open(kNullOutputName, kMasterOutputName);
}

std::unique_ptr<AudioOutput> AudioRouting::openHeadphones(const std::string& device, const std::string& speakers) {
  std::unique_ptr<AudioOutput> output = backend_.open(device, kLineOutputName);
  const bool realDevice = device != kNullOutputName;
  if (output) {
    sharedUnit_ = realDevice && device == speakers;
    return output;
  }
  output = backend_.open(speakers, kLineOutputName);
  sharedUnit_ = output && speakers != kNullOutputName;
  outputsFellBack_ = true;
  if (!output) status_.show(msg(Msg::StatusHeadphonesUnavailable));
  return output;
}

// A deck renders at most one engine block at a time, so it is sized for that block first.
bool AudioRouting::createEngine() {
  const std::size_t blockFrames = engineBlockFrames();
  deckA_.prepare(blockFrames);
  deckB_.prepare(blockFrames);
  engine_ = MixEngine::create(&deckA_.voice(), &deckB_.voice(), blockFrames);
  return engine_ != nullptr;
}

// The longest block the engine makes in one piece, and so the longest a deck renders: the outputs'
// block, but never more than the bound the decks and their filters are prepared for. An output whose
// device picks the length at each pull (a JACK server) gets the bound; the engine splits longer pulls.
std::size_t AudioRouting::engineBlockFrames() const {
  std::size_t frames = 0;
  for (const AudioOutput* output : {master_.get(), headphones_.get()}) {
    if (output == nullptr) continue;
    frames = std::max(frames, output->blockFrames() == 0 ? kMaxRenderBlockFrames : output->blockFrames());
  }
  return std::min(frames == 0 ? kMaxRenderBlockFrames : frames, kMaxRenderBlockFrames);
}

void AudioRouting::attachHeadphones() {
  if (headphones_ && sharedUnit_ && !settings_.flag(SettingId::kNoSharedUnitWarning)) warnAboutSharedUnit();
  if (headphones_ && !headphones_->connect(*engine_, MixEngine::kHeadphonePort)) headphones_.reset();
  setHeadphonePath(headphones_ != nullptr);
}

void AudioRouting::warnAboutSharedUnit() {
  const int answer = requester_.request(msg(Msg::WarningTitle), msg(Msg::SharedUnitWarning), msg(Msg::SharedUnitButtons));
  if (answer == 0) rememberNoSharedUnitWarning();
}

void AudioRouting::rememberNoSharedUnitWarning() {
  settings_.setValue(SettingId::kNoSharedUnitWarning, true);
  // The answer outlives this session at once: only this one value goes into the stored copies, so
  // other settings the user merely tried out stay unsaved.
  for (SettingsStore::Tier tier : {SettingsStore::Tier::Permanent, SettingsStore::Tier::Temporary}) {
    Settings stored;
    for (const QString& id : settings_.ids()) stored.define(id, settings_.value(id));
    store_.load(stored, tier);
    stored.setValue(SettingId::kNoSharedUnitWarning, true);
    if (!store_.save(stored, tier)) status_.show(msg(Msg::StatusSettingsNotSaved).arg(store_.path(tier)));
  }
}

// Without a headphone output the engine queues no headphone jobs: nothing would ever play them.
void AudioRouting::setHeadphonePath(bool playing) {
  engine_->setHeadphonesOff(!playing);
  headphonePathListener_(playing);
}

void AudioRouting::start() {
  if (master_ && !master_->start()) replaceWithNullOutput(master_, MixEngine::kMasterPort);
  if (headphones_ && !headphones_->start()) replaceWithNullOutput(headphones_, MixEngine::kHeadphonePort);
}

void AudioRouting::stop() {
  if (headphones_) headphones_->stop();
  if (master_) master_->stop();
  headphones_.reset();
  master_.reset();
  reportedUnderflows_ = {0, 0};
  reportedLostRecordBlocks_ = 0;  // counted by the engine that goes with the outputs
  if (engine_) engine_->setRecordReceiver(nullptr);
  engine_.reset();
}

void AudioRouting::periodicUpdate() {
  if (!engine_) return;
  replaceFailedOutputs();
  reportUnderflows();
  reportLostRecordBlocks();  // the recorder drains the queue it loses blocks from
}

bool AudioRouting::needsRestart() const {
  const bool changed = settings_.text(SettingId::kSpeakers) != startedSpeakers_ ||
                       settings_.text(SettingId::kHeadphones) != startedHeadphones_;
  // An output that plays elsewhere than chosen (its device was missing or died) tries the chosen
  // device again: "Use" with the same choice reconnects a device that is back.
  return changed || outputsFellBack_;
}

void AudioRouting::replaceFailedOutputs() {
  if (master_ && master_->failed()) replaceWithNullOutput(master_, MixEngine::kMasterPort);
  if (headphones_ && headphones_->failed()) replaceWithNullOutput(headphones_, MixEngine::kHeadphonePort);
}

// A device that died is never waited for here: its output cuts the stream off from the engine at
// once and leaves the closing to a thread of its own. The decks keep playing on the null output.
void AudioRouting::replaceWithNullOutput(std::unique_ptr<AudioOutput>& output, int port) {
  const QString name = qs(output->name());
  const QString device = qs(output->deviceName());
  output->stop();
  output.reset();
  outputsFellBack_ = true;
  reportedUnderflows_[port == MixEngine::kHeadphonePort ? 1 : 0] = 0;
  output = backend_.open(kNullOutputName, name.toStdString());
  if (output && output->connect(*engine_, port) && output->start()) {
    status_.show(msg(Msg::StatusOutputFailed).arg(name, device));
    return;
  }
  output.reset();
  if (port == MixEngine::kHeadphonePort) {
    setHeadphonePath(false);
    status_.show(msg(Msg::StatusHeadphonesUnavailable));
  }
}

void AudioRouting::reportUnderflows() {
  AudioOutput* outputs[] = {master_.get(), headphones_.get()};
  for (std::size_t i = 0; i < reportedUnderflows_.size(); ++i) {
    if (outputs[i] == nullptr) continue;
    const std::uint64_t underflows = outputs[i]->underflows();
    if (underflows == reportedUnderflows_[i]) continue;
    reportedUnderflows_[i] = underflows;
    status_.show(msg(Msg::StatusOutputUnderflows).arg(qs(outputs[i]->name())).arg(underflows));
  }
}

void AudioRouting::reportLostRecordBlocks() {
  const std::uint64_t lost = engine_->lostRecordBlocks();
  if (lost == reportedLostRecordBlocks_) return;
  reportedLostRecordBlocks_ = lost;
  status_.show(msg(Msg::StatusRecordBlocksLost).arg(lost));
}

}  // namespace gm

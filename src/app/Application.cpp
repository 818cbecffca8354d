#include "app/Application.h"

#include <algorithm>

#include <QTime>

#include "core/CatalogTable.h"
#include "core/Requester.h"
#include "audio/DbTable.h"
#include "audio/SampleBlock.h"

namespace gm {
namespace {

QString qs(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

Application::Application(Directories directories, AudioBackend& backend, Requester& requester,
                         QObject* parent)
    : QObject(parent),
      directories_(std::move(directories)),
      runtimeProblem_(directories_.secureRuntimeDir()),
      backend_(backend),
      requester_(requester),
      store_(directories_.configDir() + "/settings.ini", directories_.runtimeDir() + "/settings.ini"),
      pluginHost_(directories_),
      filterRackA_(pluginHost_, "Filter A"),
      filterRackB_(pluginHost_, "Filter B") {
  pluginHost_.setFailureReporter([this](const QString& text) { status_.show(text); });
  deckA_.link(&deckB_);
  deckB_.link(&deckA_);
  setUpDeckPlugins(deckA_, filterRackA_);
  setUpDeckPlugins(deckB_, filterRackB_);
  for (Deck* deck : {&deckA_, &deckB_}) connect(deck, &Deck::loadFailed, &status_, &StatusLine::show);
  defineSettings();
  followColourWaveformSetting();
  createDeckControls();
  createMixerChannels();
  connectControls();
  connect(&tick_, &QTimer::timeout, this, &Application::appTick);
}

Application::~Application() { appStopAudio(); }

void Application::setUpDeckPlugins(Deck& deck, FilterRack& rack) {
  deck.setFilterRack(&rack);
  deck.setTempoDetector(pluginHost_.createDetector());
  deck.setHomeDirectory(directories_.homeDir());
  deck.setWaveformCacheSettings([this] {
    return WaveformCache::Settings{directories_.resolve(settings_.text(kWaveformCacheDirectorySettingId)),
                                   settings_.flag(kWaveformCacheOnSettingId)};
  });
}

void Application::followColourWaveformSetting() {
  auto apply = [this] {
    for (Deck* deck : {&deckA_, &deckB_}) deck->bandDisplay().setColourised(settings_.flag(kColourWaveformSettingId));
  };
  apply();
  connect(&settings_, &Settings::changed, this, [apply](const QString& id) {
    if (id == kColourWaveformSettingId) apply();
  });
}

void Application::defineSettings() {
  settings_.define(SettingId::kSpeakers, qs(backend_.defaultDevice()));
  settings_.define(SettingId::kHeadphones, QString(kNullOutputName));
  settings_.define(SettingId::kNoSharedUnitWarning, false);
  settings_.defineRange(SettingId::kPitchRange, 1000, 250, 1000);
  settings_.defineRange(SettingId::kBpmLowerLimit, 40, 40, 120);
  settings_.defineRange(SettingId::kBpmUpperLimit, 240, 120, 240);
  settings_.defineRange(kAutoGainSettingId, 0, 0, 3);
  settings_.defineRange(QStringLiteral("KSTV"), 128, 64, 256);  // knobs' mouse travel in pixels for a whole range
  settings_.define(kWaveformCacheOnSettingId, false);
  settings_.define(kWaveformCacheDirectorySettingId, kDefaultWaveformCacheDirectory);
  settings_.define(kColourWaveformSettingId, true);
}

void Application::applyDeckRanges() {
  const int range = settings_.integer(SettingId::kPitchRange);
  const int lower = settings_.integer(SettingId::kBpmLowerLimit);
  const int upper = settings_.integer(SettingId::kBpmUpperLimit);
  controlsA_->setRanges(range, lower, upper);
  controlsB_->setRanges(range, lower, upper);
}

void Application::createDeckControls() {
  const int range = settings_.integer(SettingId::kPitchRange);
  const int lower = settings_.integer(SettingId::kBpmLowerLimit);
  const int upper = settings_.integer(SettingId::kBpmUpperLimit);
  controlsA_ = std::make_unique<DeckControls>(deckA_, range, lower, upper);
  controlsB_ = std::make_unique<DeckControls>(deckB_, range, lower, upper);
}

void Application::createMixerChannels() {
  channelA_ = std::make_unique<MixerChannel>(deckA_, volumeA_, settings_);
  channelB_ = std::make_unique<MixerChannel>(deckB_, volumeB_, settings_);
  // Muting silences the deck in the engine while its fader stays where it is.
  connect(&channelA_->mute(), &BoundedValue::valueChanged, this, [this] { appSetVolume(kDeckA, volumeA_.value()); });
  connect(&channelB_->mute(), &BoundedValue::valueChanged, this, [this] { appSetVolume(kDeckB, volumeB_.value()); });
}

void Application::connectControls() {
  connect(&volumeA_, &BoundedValue::valueChanged, this, [this](int index) { appSetVolume(kDeckA, index); });
  connect(&volumeB_, &BoundedValue::valueChanged, this, [this](int index) { appSetVolume(kDeckB, index); });
  connect(&crossFader_, &BoundedValue::valueChanged, this, &Application::setAppCrossFader);
  for (BoundedValue* control : {&cueA_, &cueB_, &headphoneMasterLevel_, &headphoneCueLevel_}) {
    connect(control, &BoundedValue::valueChanged, this, &Application::appHeadphoneSettings);
  }
}

bool Application::create() {
  tick_.start(10);  // the first tick comes early, the rest every 25 ms
  if (!runtimeProblem_.isEmpty()) status_.show(runtimeProblem_);
  loadStartupSettings();
  applyDeckRanges();
  if (!appStartAudio()) {
    requester_.request(msg(Msg::ErrorTitle), msg(Msg::FailedAtInstanciating), "*" + msg(Msg::OkButton));
    return false;
  }
  appHeadphoneSettings();
  return true;
}

void Application::loadStartupSettings() {
  store_.load(settings_, SettingsStore::Tier::Permanent);
  // The temporary copy starts as the permanent one, so "Cancel" restores what was last saved or used
  // in this session, never what an earlier session used.
  store_.save(settings_, SettingsStore::Tier::Temporary);
}

void Application::appTick() {
  tick_.setInterval(kTickMs);
  const QString clock = QTime::currentTime().toString("HH:mm:ss");
  if (clock != clockText_) {
    clockText_ = clock;
    Q_EMIT clockChanged(clockText_);
  }
  deckA_.periodicUpdate();
  deckB_.periodicUpdate();
  reportRefusedPlugins();
  if (!engine_) return;
  replaceFailedOutputs();
  reportUnderflows();
  engine_->drainRecordBlocks();
  reportLostRecordBlocks();
  level_ = engine_->level();
  levelMaximum_ = std::max(levelMaximum_, level_);
  Q_EMIT levelChanged(level_, levelMaximum_);
}

void Application::reportRefusedPlugins() {
  const QStringList refused = pluginHost_.takeRefusals();
  if (!refused.isEmpty()) status_.show(msg(Msg::StatusPluginsRefused).arg(refused.join(", ")));
}

void Application::appSetVolume(int deck, int index) {
  if (!engine_) return;
  const bool muted = mixerChannel(deck).muted();
  const std::int64_t gain = muted ? 0 : dbTableGain(index);
  deck == kDeckB ? engine_->setVolumeB(gain) : engine_->setVolumeA(gain);
}

void Application::setAppCrossFader(int position) {
  if (position < -60 || position > 60 || !engine_) return;
  engine_->setCrossFader(crossFaderValue(position));
}

void Application::appHeadphoneSettings() {
  if (!engine_) return;
  const std::uint32_t source = cueB_.value() ? 2 : cueA_.value() ? 1 : 0;
  engine_->setCueSource(source);
  engine_->setHeadphoneMasterLevel(headphoneMasterLevel_.value());
  engine_->setHeadphoneCueLevel(headphoneCueLevel_.value());
}

bool Application::appQuit() {
  const int answer = requester_.request("GrooveMangler", msg(Msg::QuitQuestion), msg(Msg::QuitButtons));
  if (answer != 0) return false;
  Q_EMIT quitRequested();
  return true;
}

void Application::endByBreakSignal() { Q_EMIT quitRequested(); }

void Application::loadFiles(const QStringList& files) {
  for (int i = 0; i < std::min<int>(int(files.size()), 2); ++i) {
    Deck& target = deck(i == 0 ? kDeckA : kDeckB);
    if (!target.loadEntry(TrackEntry::fromPath(files[i]))) status_.show(msg(Msg::LoadFailed).arg(files[i], "the deck is busy"));
  }
}

}  // namespace gm

namespace gm {

bool Application::appStartAudio() {
  appStopAudio();  // a restart never leaves the old outputs running
  sharedUnit_ = false;
  outputsFellBack_ = false;
  startedSpeakers_ = settings_.text(SettingId::kSpeakers);
  startedHeadphones_ = settings_.text(SettingId::kHeadphones);
  const std::string speakers = startedSpeakers_.toStdString();
  const std::string headphones = startedHeadphones_.toStdString();
  master_ = openSpeakers(speakers);
  if (headphones != kHeadphonesDisabled) headphones_ = openHeadphones(headphones, master_ ? master_->deviceName() : speakers);
  const std::size_t blockFrames = engineBlockFrames();
  deckA_.prepare(blockFrames);
  deckB_.prepare(blockFrames);
  engine_ = MixEngine::create(&deckA_.voice(), &deckB_.voice(), blockFrames);
  if (!engine_ || !master_ || !master_->connect(*engine_, MixEngine::kMasterPort)) {
    appStopAudio();
    return false;
  }
  attachHeadphones();
  applyMixerControls();
  if (!master_->start()) replaceWithNullOutput(master_, MixEngine::kMasterPort);
  if (headphones_ && !headphones_->start()) replaceWithNullOutput(headphones_, MixEngine::kHeadphonePort);
  return true;
}

// The longest block the engine makes in one piece, and so the longest a deck renders: the outputs'
// block, but never more than the bound the decks and their filters are prepared for. An output whose
// device picks the length at each pull (a JACK server) gets the bound; the engine splits longer pulls.
std::size_t Application::engineBlockFrames() const {
  std::size_t frames = 0;
  for (const AudioOutput* output : {master_.get(), headphones_.get()}) {
    if (output == nullptr) continue;
    frames = std::max(frames, output->blockFrames() == 0 ? kMaxRenderBlockFrames : output->blockFrames());
  }
  return std::min(frames == 0 ? kMaxRenderBlockFrames : frames, kMaxRenderBlockFrames);
}

std::unique_ptr<AudioOutput> Application::openSpeakers(const std::string& device) {
  if (device == kNullOutputName && backend_.outputDevices().empty()) status_.show(msg(Msg::StatusNoSoundDevice));
  std::unique_ptr<AudioOutput> output = backend_.open(device, kMasterOutputName);
  if (output || device == kNullOutputName) return output;
  // A saved device that is gone (unplugged, renamed) must not keep the program from starting.
  status_.show(msg(Msg::StatusSpeakersUnavailable).arg(qs(device), kMasterOutputName));
  outputsFellBack_ = true;
  return backend_.open(kNullOutputName, kMasterOutputName);
}

std::unique_ptr<AudioOutput> Application::openHeadphones(const std::string& device, const std::string& speakers) {
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

void Application::attachHeadphones() {
  if (headphones_ && sharedUnit_ && !settings_.flag(SettingId::kNoSharedUnitWarning)) {
    const int answer = requester_.request(msg(Msg::WarningTitle), msg(Msg::SharedUnitWarning), msg(Msg::SharedUnitButtons));
    if (answer == 0) rememberNoSharedUnitWarning();
  }
  if (headphones_ && !headphones_->connect(*engine_, MixEngine::kHeadphonePort)) headphones_.reset();
  engine_->setHeadphonesOff(!headphones_);
  setHeadphoneControlsEnabled(headphones_ != nullptr);
}

void Application::rememberNoSharedUnitWarning() {
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

void Application::setHeadphoneControlsEnabled(bool enabled) {
  for (BoundedValue* control : {&cueA_, &cueB_, &headphoneMasterLevel_, &headphoneCueLevel_}) {
    control->setEnabled(enabled);
  }
}

void Application::applyMixerControls() {
  appSetVolume(kDeckA, volumeA_.value());
  appSetVolume(kDeckB, volumeB_.value());
  setAppCrossFader(crossFader_.value());
  appHeadphoneSettings();
}

void Application::appStopAudio() {
  if (headphones_) headphones_->stop();
  if (master_) master_->stop();
  headphones_.reset();
  master_.reset();
  reportedUnderflows_ = {0, 0};
  if (engine_) engine_->setRecordReceiver(nullptr);
  engine_.reset();
}

void Application::replaceFailedOutputs() {
  if (master_ && master_->failed()) replaceWithNullOutput(master_, MixEngine::kMasterPort);
  if (headphones_ && headphones_->failed()) replaceWithNullOutput(headphones_, MixEngine::kHeadphonePort);
}

// A device that died is never waited for here: its output cuts the stream off from the engine at
// once and leaves the closing to a thread of its own. The decks keep playing on the null output.
void Application::replaceWithNullOutput(std::unique_ptr<AudioOutput>& output, int port) {
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
    engine_->setHeadphonesOff(true);
    setHeadphoneControlsEnabled(false);
  }
}

void Application::reportUnderflows() {
  AudioOutput* outputs[] = {master_.get(), headphones_.get()};
  for (std::size_t i = 0; i < reportedUnderflows_.size(); ++i) {
    if (outputs[i] == nullptr) continue;
    const std::uint64_t underflows = outputs[i]->underflows();
    if (underflows == reportedUnderflows_[i]) continue;
    reportedUnderflows_[i] = underflows;
    status_.show(msg(Msg::StatusOutputUnderflows).arg(qs(outputs[i]->name())).arg(underflows));
  }
}

void Application::reportLostRecordBlocks() {
  const std::uint64_t lost = engine_->lostRecordBlocks();
  if (lost == reportedLostRecordBlocks_) return;
  reportedLostRecordBlocks_ = lost;
  status_.show(msg(Msg::StatusRecordBlocksLost).arg(lost));
}

void Application::saveSettings() {
  if (!store_.save(settings_, SettingsStore::Tier::Permanent)) {
    status_.show(msg(Msg::StatusSettingsNotSaved).arg(store_.path(SettingsStore::Tier::Permanent)));
  }
  useSettings();
}

void Application::useSettings() {
  if (!store_.save(settings_, SettingsStore::Tier::Temporary)) {
    status_.show(msg(Msg::StatusSettingsNotSaved).arg(store_.path(SettingsStore::Tier::Temporary)));
  }
  restartAudioIfDevicesChanged();
}

void Application::cancelSettings() { store_.load(settings_, SettingsStore::Tier::Temporary); }

void Application::restartAudioIfDevicesChanged() {
  const bool changed = settings_.text(SettingId::kSpeakers) != startedSpeakers_ ||
                       settings_.text(SettingId::kHeadphones) != startedHeadphones_;
  // An output that plays elsewhere than chosen (its device was missing or died) tries the chosen
  // device again: "Use" with the same choice reconnects a device that is back.
  if ((changed || outputsFellBack_) && !appStartAudio()) status_.show(msg(Msg::FailedAtInstanciating));
}

}  // namespace gm

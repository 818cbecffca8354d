#include "app/Application.h"

#include <algorithm>

#include <QFile>
#include <QTime>

#include "app/AppEvents.h"
#include "app/SettingsLayout.h"
#include "core/CatalogTable.h"
#include "core/RegularFile.h"
#include "core/Requester.h"
#include "audio/DbTable.h"
#include "recorder/RecordingLimit.h"

namespace gm {
namespace {

// Far beyond any release history; a larger file is not the note.
constexpr qint64 kMaxHistoryBytes = 1 << 20;

// The settings of one equaliser band, with their ranges.
struct EqualiserBandSettings {
  EqualiserBand EqualiserSettings::*band;
  const QString& frequency;
  int minimumHz;
  int maximumHz;
  const QString& resonance;
  int maximumResonance;
  const QString& lowerLimit;
  const QString& upperLimit;
};

const EqualiserBandSettings kEqualiserBands[] = {
    {&EqualiserSettings::high, SettingId::kHighFrequency, 1000, 20000, SettingId::kHighResonance, 8000,
     SettingId::kHighLowerLimit, SettingId::kHighUpperLimit},
    {&EqualiserSettings::mid, SettingId::kMidFrequency, 200, 4000, SettingId::kMidResonance, 1500,
     SettingId::kMidLowerLimit, SettingId::kMidUpperLimit},
    {&EqualiserSettings::low, SettingId::kLowFrequency, 40, 400, SettingId::kLowResonance, 8000,
     SettingId::kLowLowerLimit, SettingId::kLowUpperLimit},
};

bool isEqualiserSetting(const QString& id) {
  for (const EqualiserBandSettings& b : kEqualiserBands) {
    if (id == b.frequency || id == b.resonance || id == b.lowerLimit || id == b.upperLimit) return true;
  }
  return false;
}

}  // namespace

Application::Application(Directories directories, AudioBackend& backend, Requester& requester,
                         QObject* parent)
    : QObject(parent),
      directories_(std::move(directories)),
      runtimeProblem_(directories_.secureRuntimeDir()),
      backend_(backend),
      requester_(requester),
      store_(SettingsStore::of(directories_)),
      pluginHost_(directories_),
      filterRackA_(pluginHost_, msg(Msg::ZoneFilterA)),
      filterRackB_(pluginHost_, msg(Msg::ZoneFilterB)),
      routing_(backend_, requester_, settings_, store_, status_, deckA_, deckB_,
               [this](bool playing) { setHeadphoneControlsEnabled(playing); }) {
  pluginHost_.setFailureReporter([this](const QString& text) { status_.show(text); });
  scriptRunner_.setReporter([this](const QString& text) { status_.show(text); });
  deckA_.link(&deckB_);
  deckB_.link(&deckA_);
  setUpDeckPlugins(deckA_, filterRackA_);
  setUpDeckPlugins(deckB_, filterRackB_);
  for (Deck* deck : {&deckA_, &deckB_}) {
    connect(deck, &Deck::loadFailed, &status_, &StatusLine::show);
    connect(deck, &Deck::loadedPartly, &status_, &StatusLine::show);
    connect(deck, &Deck::notice, &status_, &StatusLine::show);
  }
  defineSettings();
  followColourWaveformSetting();
  createDeckControls();
  followSettings();
  createMixerChannels();
  createMediaPanel();
  connectControls();
  appEvents_ = std::make_unique<AppEvents>(*this);
  appEvents_->registerAll();
  connect(&tick_, &QTimer::timeout, this, &Application::appTick);
  connect(&versionCheck_, &VersionCheck::changed, this, &Application::reportVersionCheck);
  remote_ = std::make_unique<RemoteControl>(*this);
}

Application::~Application() { appStopAudio(); }

void Application::setUpDeckPlugins(Deck& deck, FilterRack& rack) {
  deck.setFilterRack(&rack);
  deck.setTempoDetector(pluginHost_.createDetector());
  deck.setTrackDatabase(TrackDatabase(directories_));
  deck.setScriptRunner(&scriptRunner_);
  deck.setWaveformCacheSettings([this] { return WaveformCache::fromSettings(settings_, directories_); });
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
  settings_.defineRange(SettingId::kPitchRange, 1000, 250, 1000);
  settings_.defineRange(SettingId::kBpmLowerLimit, 40, 40, 120);
  settings_.defineRange(SettingId::kBpmUpperLimit, 240, 120, 240);
  settings_.defineRange(kAutoGainSettingId, 0, 0, 3);
  settings_.defineRange(QStringLiteral("KSTV"), 128, 64, 256);  // knobs' mouse travel in pixels for a whole range
  WaveformCache::defineSettings(settings_);
  settings_.define(kColourWaveformSettingId, true);
  MediaPanel::defineSettings(settings_);
  defineEqualiserSettings();
  settings_.defineRange(SettingId::kBendStrength, 50, 1, 150);
  settings_.define(SettingId::kFullScreen, false);
  settings_.define(SettingId::kNoSplash, false);
  settings_.define(SettingId::kOpenGl, true);
  settings_.define(SettingId::kNoHistoryNote, false);
  settings_.define(SettingId::kVersionServer, QString());
  defineColourSettings();
  // The recorder keeps any other number as "no limit"; the chooser has only these three entries.
  settings_.restrictToChoices(kRecordingLimitSettingId, {int(RecordingLimit::k650MiB), int(RecordingLimit::k1GiB),
                                                         int(RecordingLimit::kFileSystemMaximum)});
}

void Application::defineEqualiserSettings() {
  const EqualiserSettings defaults;
  for (const EqualiserBandSettings& b : kEqualiserBands) {
    const EqualiserBand& band = defaults.*b.band;
    settings_.defineRange(b.frequency, band.frequencyHz, b.minimumHz, b.maximumHz);
    settings_.defineRange(b.resonance, band.resonance, 33, b.maximumResonance);
    settings_.defineRange(b.lowerLimit, band.lowerLimitDb, -18, -3);
    settings_.defineRange(b.upperLimit, band.upperLimitDb, 3, 18);
  }
}

void Application::defineColourSettings() { DeckColours::defineSettings(settings_); }

// Each setting acts where it belongs as soon as it changes; those read only at start (audio units,
// full screen, OpenGL) are read there.
void Application::followSettings() {
  connect(&settings_, &Settings::changed, this, &Application::applySetting);
  appApplyEqualizer();
  applyBendStrength();
  applyDeckColours();
}

void Application::applySetting(const QString& id) {
  if (isEqualiserSetting(id)) {
    if (!loadingSettings_) appApplyEqualizer();
  } else if (id == SettingId::kBendStrength) {
    applyBendStrength();
  } else if (id == SettingId::kPitchRange || id == SettingId::kBpmLowerLimit || id == SettingId::kBpmUpperLimit) {
    applyDeckRanges();
  } else if (DeckColours::isColourSetting(id)) {
    applyDeckColours();
  }
}

void Application::appApplyEqualizer() {
  EqualiserSettings equaliser;
  for (const EqualiserBandSettings& b : kEqualiserBands) {
    equaliser.*b.band = {settings_.integer(b.frequency), settings_.integer(b.resonance),
                         settings_.integer(b.lowerLimit), settings_.integer(b.upperLimit)};
  }
  deckA_.setEqualiserSettings(equaliser);
  deckB_.setEqualiserSettings(equaliser);
  Q_EMIT equaliserApplied(equaliser);
}

void Application::applyBendStrength() {
  const int step = settings_.integer(SettingId::kBendStrength);
  deckA_.setBendStep(step);
  deckB_.setBendStep(step);
}

void Application::applyDeckColours() {
  const DeckColours colours = DeckColours::fromSettings(settings_);
  if (colours == deckColours_) return;
  deckColours_ = colours;
  Q_EMIT deckColoursChanged(deckColours_);
}

// A whole tier at once: the decks' equalisers are set up once, with all of its values.
SettingsStore::LoadResult Application::loadSettings(SettingsStore::Tier tier) {
  loadingSettings_ = true;
  SettingsStore::LoadResult result = store_.load(settings_, tier);
  loadingSettings_ = false;
  appApplyEqualizer();
  return result;
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

void Application::createMediaPanel() {
  media_ = std::make_unique<MediaPanel>(deckA_, deckB_, TrackDatabase(directories_), requester_);
  connect(media_.get(), &MediaPanel::notice, &status_, &StatusLine::show);
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
  if (!directories_.runtimeDir().isEmpty()) remote_->open(directories_.commandSocketPath());
  const SettingsStore::LoadResult stored = loadStartupSettings();
  versionCheck_.start(settings_.text(SettingId::kVersionServer));
  applyDeckRanges();
  appEvents_->start();
  media_->loadMediaDirectoryAtStart(settings_, directories_);
  if (!appStartAudio()) {
    requester_.request(msg(Msg::ErrorTitle), msg(Msg::FailedAtInstanciating), "*" + msg(Msg::OkButton));
    return false;
  }
  appHeadphoneSettings();
  if (!settings_.flag(SettingId::kNoHistoryNote)) Q_EMIT historyNoteDue(historyNoteText());
  reportDamagedSettings(stored);  // last, so that the start's other notices do not hide it
  return true;
}

// The status line gets news and failures only: a DJ's status line stays quiet while the check runs
// and when the program is up to date.
void Application::reportVersionCheck(VersionCheck::State state) {
  if (state == VersionCheck::State::NewVersion) status_.showEmphasised(VersionCheck::textOf(state));
  if (state == VersionCheck::State::Failed) status_.show(VersionCheck::textOf(state));
}

QString Application::historyNoteText() const {
  const std::optional<QByteArray> content = RegularFile::read(directories_.resolve("PROGDIR:History"), kMaxHistoryBytes);
  return content ? QString::fromUtf8(*content) : msg(Msg::HistoryNotLoaded);
}

void Application::turnHistoryNoteOff() {
  settings_.setValue(SettingId::kNoHistoryNote, true);
  storeOneSetting(SettingId::kNoHistoryNote, SettingsStore::Tier::Permanent);
  storeOneSetting(SettingId::kNoHistoryNote, SettingsStore::Tier::Temporary);
}

// The copy keeps its other values (the defaults where it has none): what the settings window is
// editing is neither saved nor used by this.
void Application::storeOneSetting(const QString& id, SettingsStore::Tier tier) {
  Settings copy;
  for (const QString& each : settings_.ids()) copy.define(each, settings_.defaultValue(each));
  store_.load(copy, tier);
  copy.setValue(id, settings_.value(id));
  if (!store_.save(copy, tier)) status_.show(msg(Msg::StatusSettingsNotSaved).arg(store_.path(tier)));
}

SettingsStore::LoadResult Application::loadStartupSettings() {
  SettingsStore::LoadResult stored = loadSettings(SettingsStore::Tier::Permanent);
  // The temporary copy starts as the permanent one, so "Cancel" restores what was last saved or used
  // in this session, never what an earlier session used.
  store_.save(settings_, SettingsStore::Tier::Temporary);
  return stored;
}

// Told once, after start: the DJ should know why a setting is not what was saved.
void Application::reportDamagedSettings(const SettingsStore::LoadResult& result) {
  if (result.status == SettingsStore::LoadResult::Status::Damaged) {
    status_.show(msg(Msg::StatusSettingsUnreadable).arg(store_.path(SettingsStore::Tier::Permanent)));
    return;
  }
  if (result.resetIds.isEmpty()) return;
  QStringList names;
  for (const QString& id : result.resetIds) names << settingDisplayName(id);
  status_.show(msg(Msg::StatusSettingsReset).arg(names.join(", ")));
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
  if (!engine()) return;
  routing_.periodicUpdate();
  recorder_.periodicUpdate();
  level_ = engine()->level();
  levelMaximum_ = std::max(levelMaximum_, level_);
  Q_EMIT levelChanged(level_, levelMaximum_);
}

void Application::reportRefusedPlugins() {
  const QStringList refused = pluginHost_.takeRefusals();
  if (!refused.isEmpty()) status_.show(msg(Msg::StatusPluginsRefused).arg(refused.join(", ")));
}

void Application::appSetVolume(int deck, int index) {
  if (!engine()) return;
  const bool muted = mixerChannel(deck).muted();
  const std::int64_t gain = muted ? 0 : dbTableGain(index);
  deck == kDeckB ? engine()->setVolumeB(gain) : engine()->setVolumeA(gain);
}

void Application::setAppCrossFader(int position) {
  if (position < -60 || position > 60 || !engine()) return;
  engine()->setCrossFader(crossFaderValue(position));
}

void Application::appHeadphoneSettings() {
  if (!engine()) return;
  const std::uint32_t source = cueB_.value() ? 2 : cueA_.value() ? 1 : 0;
  engine()->setCueSource(source);
  engine()->setHeadphoneMasterLevel(headphoneMasterLevel_.value());
  engine()->setHeadphoneCueLevel(headphoneCueLevel_.value());
}

bool Application::appQuit() {
  const int answer = requester_.request("GrooveMangler", msg(Msg::QuitQuestion), msg(Msg::QuitButtons));
  if (answer != 0) return false;
  Q_EMIT quitRequested();
  return true;
}

void Application::endByBreakSignal() { Q_EMIT quitRequested(); }

void Application::loadFiles(const QByteArrayList& files) {
  for (int i = 0; i < std::min<int>(int(files.size()), 2); ++i) {
    Deck& target = deck(i == 0 ? kDeckA : kDeckB);
    const TrackEntry entry = TrackEntry::fromNativePath(files[i]);
    if (!target.loadEntry(entry)) status_.show(msg(Msg::LoadFailed).arg(entry.fileName(), msg(Msg::ReasonDeckBusy)));
  }
}

void Application::loadFiles(const QStringList& files) {
  QByteArrayList names;
  for (const QString& file : files) names << QFile::encodeName(file);
  loadFiles(names);
}

bool Application::appStartAudio() {
  recorder_.setEngine(nullptr);  // a recording goes on in the same file with the new engine
  if (!routing_.open()) return false;
  applyMixerControls();  // the new engine starts from the controls' values, before it plays
  recorder_.setEngine(engine());
  routing_.start();
  return true;
}

void Application::appStopAudio() {
  recorder_.setEngine(nullptr);
  routing_.stop();
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
  if (routing_.needsRestart() && !appStartAudio()) status_.show(msg(Msg::FailedAtInstanciating));
}

void Application::cancelSettings() { loadSettings(SettingsStore::Tier::Temporary); }

}  // namespace gm

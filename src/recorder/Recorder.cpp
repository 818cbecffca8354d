#include "recorder/Recorder.h"

#include <bit>
#include <cstring>

#include "audio/MixEngine.h"
#include "core/CatalogTable.h"
#include "core/Directories.h"
#include "core/Settings.h"
#include "core/StatusLine.h"
#include "recorder/RecordingLimit.h"
#include "recorder/WavFileWriter.h"

namespace gm {
namespace {

constexpr std::int64_t kBytesPerSecond = std::int64_t(kSampleRate) * kBytesPerFrame;

QString clockText(std::int64_t seconds) {
  return QString("%1:%2:%3")
      .arg(seconds / 3600, 2, 10, QChar('0'))
      .arg(seconds / 60 % 60, 2, 10, QChar('0'))
      .arg(seconds % 60, 2, 10, QChar('0'));
}

// WAV files hold little-endian samples; the engine's are in the machine's order.
void appendLittleEndian(ConstSampleBlock block, std::vector<std::uint8_t>& bytes) {
  const std::size_t at = bytes.size();
  bytes.resize(at + block.bytes());
  std::uint8_t* out = bytes.data() + at;
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, block.samples, block.bytes());
  } else {
    for (std::int16_t sample : block.span()) {
      *out++ = std::uint8_t(std::uint16_t(sample) & 0xFF);
      *out++ = std::uint8_t(std::uint16_t(sample) >> 8);
    }
  }
}

}  // namespace

Recorder::Recorder(const Directories& directories, Settings& settings, StatusLine& status, QObject* parent)
    : QObject(parent),
      directories_(directories),
      settings_(settings),
      status_(status),
      writer_(this, [this](const RecordingWriter::Report& report) { receiveReport(report); }) {
  defineSettings();
  connect(&recordButton_, &BoundedValue::valueChanged, this, [this](int on) { on ? start() : stop(); });
}

Recorder::~Recorder() {
  stop();
  EventList::forgetTarget(registeredWith_, this);
}

void Recorder::defineSettings() {
  settings_.define(kRecordingDirectorySettingId, kDefaultRecordingDirectory);
  settings_.define(kRecordingPrefixSettingId, kDefaultRecordingPrefix);
  settings_.define(kRecordingLimitSettingId, int(RecordingLimit::k650MiB));  // other values: no limit
}

void Recorder::setEngine(MixEngine* engine) {
  if (engine == engine_) return;
  if (recording_ && engine_ != nullptr) engine_->setRecordReceiver(nullptr);  // hands over its last blocks
  engine_ = engine;
  if (recording_ && engine_ != nullptr) engine_->setRecordReceiver(this);
}

void Recorder::start() {
  if (recording_) return;
  if (engine_ == nullptr || !openFirstFile()) {
    recordButton_.setValue(0);  // the button's own change, if any, has reached its views by now
    return;
  }
  recordButton_.setValueSilently(1);
  engine_->setRecordReceiver(this);
}

bool Recorder::openFirstFile() {
  limitMode_ = settings_.integer(kRecordingLimitSettingId);
  directory_ = directories_.resolve(settings_.text(kRecordingDirectorySettingId));
  prefix_ = settings_.text(kRecordingPrefixSettingId);
  QString error;
  std::unique_ptr<WavFileWriter> file = WavFileWriter::create(directory_, prefix_, clock_(), &error);
  if (!file) {
    status_.show(msg(Msg::StatusRecordingNotCreated).arg(error));
    return false;
  }
  fileSystemMaximumBytes_ = RecordingLimit::fileSystemMaximum(directory_);
  recording_ = true;
  dataBytes_ = 0;
  blocks_.clear();
  blocksArrived_ = false;
  startTime_ = std::chrono::steady_clock::now();
  shownSeconds_ = 0;
  elapsedText_ = clockText(0);
  Q_EMIT elapsedChanged(elapsedText_);
  writer_.begin(++session_, std::move(file));
  return true;
}

void Recorder::stop() {
  recordButton_.setValueSilently(0);
  if (!recording_) return;
  if (engine_ != nullptr) engine_->setRecordReceiver(nullptr);  // hands over its last blocks
  flushBlocks();
  writer_.end();
  recording_ = false;
}

void Recorder::toggle(std::int32_t value) {
  if (value == 0) recordButton_.setValue(recordButton_.value() != 0 ? 0 : 1);
}

void Recorder::receiveRecordBlock(ConstSampleBlock block) {
  if (!recording_ || block.frames == 0) return;  // 0 frames: a block the engine could not copy
  // A block too large for even an empty file goes in anyway: the write error then says why.
  if (dataBytes_ > 0 && RecordingLimit::reached(limitMode_, dataBytes_, block.bytes(), fileSystemMaximumBytes_)) {
    flushBlocks();
    writer_.split(directory_, prefix_, clock_());
    dataBytes_ = 0;
  }
  dataBytes_ += block.bytes();
  appendLittleEndian(block, blocks_);
  blocksArrived_ = true;
}

void Recorder::periodicUpdate() {
  if (!recording_) return;
  if (engine_ != nullptr) engine_->drainRecordBlocks();
  flushBlocks();
  if (writer_.backlogBytes() > kMaxBacklogBytes) {
    stopWithMessage(msg(Msg::StatusRecordingBehind));
    return;
  }
  if (blocksArrived_) showElapsed();
  blocksArrived_ = false;
}

void Recorder::flushBlocks() {
  if (blocks_.empty()) return;
  writer_.append(std::move(blocks_));
  blocks_ = {};
}

void Recorder::showElapsed() {
  const auto elapsed = std::chrono::steady_clock::now() - startTime_;
  const std::int64_t seconds = std::chrono::duration_cast<std::chrono::seconds>(elapsed).count();
  if (seconds == shownSeconds_) return;
  shownSeconds_ = seconds;
  elapsedText_ = clockText(seconds);
  Q_EMIT elapsedChanged(elapsedText_);
}

void Recorder::receiveReport(const RecordingWriter::Report& report) {
  const QString length = clockText(std::int64_t(report.dataBytes) / kBytesPerSecond);
  if (report.kind == RecordingWriter::Report::Kind::Finished) {
    status_.show(msg(Msg::StatusRecordingSaved).arg(report.path, length));
    return;
  }
  const QString text = report.path.isEmpty()
                           ? msg(Msg::StatusRecordingNotCreated).arg(report.error)
                           : msg(Msg::StatusRecordingFailed).arg(report.path, report.error, length);
  // A report about an earlier recording must not stop the one running now.
  if (report.session == session_ && recording_) {
    stopWithMessage(text);
  } else {
    status_.show(text);
  }
}

void Recorder::stopWithMessage(const QString& text) {
  stop();
  status_.show(text);
}

void Recorder::registerEvents(EventList& events) {
  if (registered_) return;
  registered_ = true;
  registeredWith_ = events.weakRef();
  events.registerEvent(msg(Msg::RecorderZone), msg(Msg::StartStopRecordingEvent), std::int32_t(EventType::Toggle),
                       this, kToggleMethod);
}

void Recorder::invokeEvent(std::uint32_t method, std::int32_t value) {
  if (method == kToggleMethod) toggle(value);
}

std::optional<bool> Recorder::eventState(std::uint32_t method) const {
  if (method == kToggleMethod) return recording_;
  return std::nullopt;
}

}  // namespace gm

#include "PluginTestFiles.h"

#include <dlfcn.h>

#include <QFile>
#include <QtGlobal>

#include <cstring>

#include "core/AtomicFile.h"
#include "core/RegularFile.h"

namespace gm::testing {

QString builtPlugin(const QString& relative) {
  QString root = qEnvironmentVariable("GROOVEMANGLER_PROGDIR");
  if (root.isEmpty()) root = QStringLiteral(GM_BUILD_PROGDIR);
  return root + '/' + relative;
}

bool copyPlugin(const QString& relative, const QString& destination) {
  QFile::remove(destination);
  return QFile::copy(builtPlugin(relative), destination);
}

std::vector<std::uint8_t> fileBytes(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  return std::vector<std::uint8_t>(bytes.begin(), bytes.end());
}

RawPlugin::RawPlugin(const QString& libraryPath, const std::string& prefsPath, std::uint32_t maxBlockFrames) {
  library_ = ::dlopen(QFile::encodeName(libraryPath).constData(), RTLD_NOW | RTLD_LOCAL);
  if (library_ == nullptr) return;
  auto query = reinterpret_cast<gm_plugin_query_fn>(::dlsym(library_, GM_PLUGIN_QUERY_SYMBOL));
  if (query == nullptr) return;
  class_ = query(0);
  if (class_ == nullptr) return;
  host_ = gm_host{GM_PLUGIN_ABI_VERSION_INIT, sizeof(gm_host), maxBlockFrames, &onRegister, &onRender, &onMove, &onLoad, &onSave};
  instance_ = class_->create(&host_, this, prefsPath.c_str());
}

RawPlugin::~RawPlugin() {
  if (instance_ != nullptr) class_->dispose(instance_);
  if (library_ != nullptr) ::dlclose(library_);
}

std::int32_t RawPlugin::integer(std::uint32_t attribute) const {
  gm_value value{};
  if (!class_->get_attribute(instance_, attribute, &value) || value.kind != GM_VALUE_INTEGER) return -999999;
  return value.integer;
}

const char* RawPlugin::text(std::uint32_t attribute) const {
  gm_value value{};
  if (!class_->get_attribute(instance_, attribute, &value) || value.kind != GM_VALUE_TEXT) return nullptr;
  return value.text;
}

const gm_panel* RawPlugin::panel(std::uint32_t attribute) const {
  gm_value value{};
  if (!class_->get_attribute(instance_, attribute, &value) || value.kind != GM_VALUE_PANEL) return nullptr;
  return value.panel;
}

std::uint32_t RawPlugin::set(std::vector<gm_tag> tags) {
  return class_->set_attributes(instance_, tags.data(), std::uint32_t(tags.size()));
}

std::uint32_t RawPlugin::callParameter(std::uint32_t id, std::int32_t normalised) {
  gm_parameter_message message{{id}, normalised};
  return class_->call_method(instance_, &message.header);
}

void RawPlugin::process(std::int16_t* samples, std::uint32_t bytes, DeckRenderTarget* deck,
                        const gm_voice_state* state) {
  gm_process_message message{{GM_METHOD_PROCESS}, samples, bytes, reinterpret_cast<gm_deck*>(deck), state};
  class_->call_method(instance_, &message.header);
}

std::uint32_t RawPlugin::detectTempo(const std::int16_t* samples, std::uint32_t frames) {
  gm_detect_tempo_message message{{GM_METHOD_DETECT_TEMPO}, samples, frames};
  return class_->call_method(instance_, &message.header);
}

void RawPlugin::registerEvents(const char* zone) {
  gm_register_events_message message{{GM_METHOD_REGISTER_EVENTS}, reinterpret_cast<gm_app*>(this), zone};
  class_->call_method(instance_, &message.header);
}

void RawPlugin::onRegister(gm_app* app, const char* zone, const char* label, std::uint32_t type, gm_plugin* target,
                           std::uint32_t method) {
  reinterpret_cast<RawPlugin*>(app)->registrations.push_back({zone, label, type, target, method});
}

void RawPlugin::onRender(gm_deck* deck, const gm_voice_state* state, std::int16_t* buffer, std::uint32_t bytes) {
  reinterpret_cast<TestDeck*>(reinterpret_cast<DeckRenderTarget*>(deck))
      ->renderFromState(*state, SampleBlock::fromBytes(buffer, bytes));
}

void RawPlugin::onMove(void* context, gm_plugin*, std::uint32_t attribute, std::int32_t value) {
  static_cast<RawPlugin*>(context)->moved.push_back({attribute, value});
}

std::uint32_t RawPlugin::onLoad(void*, const char* path, std::uint8_t* buffer, std::uint32_t capacity) {
  const std::optional<QByteArray> content = RegularFile::read(QFile::decodeName(path), capacity);
  if (!content) return 0;
  std::memcpy(buffer, content->constData(), std::size_t(content->size()));
  return std::uint32_t(content->size());
}

bool RawPlugin::onSave(void*, const char* path, const std::uint8_t* bytes, std::uint32_t size) {
  return AtomicFile::write(QFile::decodeName(path), QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)));
}

TestDeck::TestDeck(std::int32_t frames) : pcm_(std::size_t(frames) * 2) {
  for (std::int32_t frame = 0; frame < frames; ++frame) {
    pcm_[2 * std::size_t(frame)] = std::int16_t((frame * 37) % 20000 - 10000);
    pcm_[2 * std::size_t(frame) + 1] = std::int16_t(9000 - (frame * 53) % 18000);
  }
}

gm_voice_state TestDeck::stateAt(std::int32_t position) const {
  gm_voice_state state{};
  state.frames = std::int32_t(pcm_.size() / 2);
  state.position = position;
  state.pcm = pcm_.data();
  state.speed = 1.0f;
  state.volume = 1.0f;
  return state;
}

std::int16_t TestDeck::sample(std::int64_t frame, int channel) const {
  if (frame < 0 || frame >= std::int64_t(pcm_.size() / 2)) return 0;
  return pcm_[2 * std::size_t(frame) + std::size_t(channel)];
}

void TestDeck::renderFromState(const gm_voice_state& state, SampleBlock block) {
  renderedPositions.push_back(state.position);
  for (std::size_t frame = 0; frame < block.frames; ++frame) {
    for (int channel = 0; channel < 2; ++channel) {
      block.samples[2 * frame + std::size_t(channel)] = sample(std::int64_t(state.position) + std::int64_t(frame), channel);
    }
  }
}

}  // namespace gm::testing

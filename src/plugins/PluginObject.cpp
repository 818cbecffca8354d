#include "plugins/PluginObject.h"

#include <cstring>

#include <QFile>

#include "control/EventList.h"
#include "core/AtomicFile.h"
#include "core/CatalogTable.h"
#include "core/RegularFile.h"
#include "plugins/PanelModel.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginLibrary.h"
#include "plugins/PluginRegistration.h"

namespace gm {

std::unique_ptr<PluginObject> PluginObject::create(const PluginHost& host, std::shared_ptr<PluginLibrary> library,
                                                   const QString& prefsPath) {
  if (!library) return nullptr;
  // The instance needs its host context (this object) at creation, so the object comes first.
  std::unique_ptr<PluginObject> object(new PluginObject(host, std::move(library), prefsPath));
  const QByteArray path = QFile::encodeName(prefsPath);
  object->instance_ = object->class_.create(&host.table(), object.get(), path.constData());
  if (object->instance_ == nullptr) return nullptr;
  return object;
}

PluginObject::PluginObject(const PluginHost& host, std::shared_ptr<PluginLibrary> library, QString prefsPath)
    : library_(std::move(library)), class_(library_->pluginClass()), host_(host), prefsPath_(std::move(prefsPath)) {}

PluginObject::~PluginObject() {
  EventList::forgetTarget(registeredWith_, this);
  // The panel models point into the plug-in's descriptions: gone before the instance, which goes
  // before its library.
  prefsPanel_.reset();
  controlsPanel_.reset();
  if (instance_ != nullptr) class_.dispose(instance_);
}

std::optional<gm_value> PluginObject::attribute(std::uint32_t id) const {
  gm_value value{};
  if (!class_.get_attribute(instance_, id, &value)) return std::nullopt;
  return value;
}

QString PluginObject::name() const {
  const auto value = attribute(GM_ATTR_NAME);
  if (!value || value->kind != GM_VALUE_TEXT || value->text == nullptr) return {};
  return QString::fromUtf8(value->text);
}

bool PluginObject::enabled() const { return integerAttribute(GM_ATTR_ENABLED).value_or(0) != 0; }

void PluginObject::setEnabled(bool enabled) { setAttribute(GM_ATTR_ENABLED, enabled ? 1 : 0); }

std::optional<std::int32_t> PluginObject::integerAttribute(std::uint32_t id) const {
  const auto value = attribute(id);
  if (!value || value->kind != GM_VALUE_INTEGER) return std::nullopt;
  return value->integer;
}

std::uint32_t PluginObject::setAttribute(std::uint32_t id, std::int32_t value) {
  const gm_tag tag{id, value};
  return class_.set_attributes(instance_, &tag, 1);
}

std::uint32_t PluginObject::version() const { return class_.version; }

std::uint32_t PluginObject::revision() const { return class_.revision; }

QString PluginObject::versionText() const {
  return QStringLiteral("%1.%2").arg(qlonglong(version())).arg(qlonglong(revision())).left(15);
}

gm_plugin_kind PluginObject::kind() const { return gm_plugin_kind(class_.kind); }

const QString& PluginObject::libraryPath() const { return library_->path(); }

std::unique_ptr<PanelModel> PluginObject::makePanel(std::uint32_t id) {
  const auto value = attribute(id);
  if (!value || value->kind != GM_VALUE_PANEL || value->panel == nullptr || !PanelModel::wellFormed(*value->panel)) {
    return nullptr;
  }
  return std::make_unique<PanelModel>(*value->panel, *this);
}

PanelModel* PluginObject::prefsPanel() {
  if (!prefsPanel_) prefsPanel_ = makePanel(GM_ATTR_PREFS_PANEL);
  return prefsPanel_.get();
}

PanelModel* PluginObject::controlsPanel() {
  if (!controlsPanel_) controlsPanel_ = makePanel(GM_ATTR_CONTROLS_PANEL);
  return controlsPanel_.get();
}

void PluginObject::registerEvents(EventList& events, const QString& zone) {
  registeredWith_ = events.weakRef();
  PluginRegistration registration(events, *this, instance_);
  const QByteArray zoneText = zone.toUtf8();
  gm_register_events_message message{{GM_METHOD_REGISTER_EVENTS}, registration.handle(), zoneText.constData()};
  class_.call_method(instance_, &message.header);
}

std::uint32_t PluginObject::detectTempo(const std::int16_t* samples, std::uint32_t frames) {
  gm_detect_tempo_message message{{GM_METHOD_DETECT_TEMPO}, samples, frames};
  return class_.call_method(instance_, &message.header);
}

void PluginObject::invokeEvent(std::uint32_t method, std::int32_t value) {
  gm_parameter_message message{{method}, value};
  class_.call_method(instance_, &message.header);
}

void PluginObject::moveControl(std::uint32_t attribute, std::int32_t value) {
  if (controlsPanel_) controlsPanel_->moveControl(attribute, value);
}

std::uint32_t PluginObject::loadPrefs(const char* path, std::uint8_t* buffer, std::uint32_t capacity) const {
  if (prefsPath_.isEmpty() || QFile::decodeName(path) != prefsPath_) return 0;
  const std::optional<QByteArray> content = RegularFile::read(prefsPath_, capacity);
  if (!content || content->isEmpty()) return 0;
  std::memcpy(buffer, content->constData(), std::size_t(content->size()));
  return std::uint32_t(content->size());
}

bool PluginObject::savePrefs(const char* path, const std::uint8_t* bytes, std::uint32_t size) {
  // Only the file the host gave it: a plug-in cannot have us write anywhere else.
  if (prefsPath_.isEmpty() || QFile::decodeName(path) != prefsPath_) return false;
  QString error;
  if (AtomicFile::write(prefsPath_, QByteArray(reinterpret_cast<const char*>(bytes), qsizetype(size)), &error)) return true;
  host_.reportFailure(msg(Msg::StatusFileNotSaved).arg(prefsPath_, error));
  return false;
}

}  // namespace gm

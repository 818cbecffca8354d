#include "core/Settings.h"

#include <algorithm>

namespace gm {

Settings::Settings(QObject* parent) : QObject(parent) {}

void Settings::define(const QString& id, const QVariant& defaultValue) {
  defaults_.insert(id, defaultValue);
  if (!values_.contains(id)) values_.insert(id, defaultValue);
}

void Settings::defineRange(const QString& id, int defaultValue, int minimum, int maximum) {
  ranges_.insert(id, {minimum, maximum});
  define(id, std::clamp(defaultValue, minimum, maximum));
}

QVariant Settings::value(const QString& id) const { return values_.value(id); }

void Settings::setValue(const QString& id, const QVariant& value) {
  const auto found = defaults_.constFind(id);
  if (found == defaults_.constEnd()) return;
  QVariant converted = value;
  if (!converted.convert(found->metaType())) return;
  if (const auto range = ranges_.constFind(id); range != ranges_.constEnd()) {
    converted = std::clamp(converted.toInt(), range->first, range->second);
  }
  if (values_.value(id) == converted) return;
  values_.insert(id, converted);
  Q_EMIT changed(id);
}

void Settings::resetToDefaults() {
  for (auto it = defaults_.cbegin(); it != defaults_.cend(); ++it) setValue(it.key(), it.value());
}

}  // namespace gm

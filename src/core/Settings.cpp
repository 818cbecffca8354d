#include "core/Settings.h"

#include <algorithm>

#include <QRegularExpression>

namespace gm {
namespace {

bool isColourText(const QString& text) {
  static const QRegularExpression pattern(QStringLiteral("^#[0-9a-fA-F]{6}$"));
  return pattern.match(text).hasMatch();
}

// Texts from a stored copy convert only when the whole text is the value: "12abc" is no number and
// "maybe" no flag, though Qt's own conversions would take both.
std::optional<QVariant> convertStrictly(const QVariant& value, QMetaType type) {
  const bool isText = value.typeId() == QMetaType::QString || value.typeId() == QMetaType::QByteArray;
  if (isText && type.id() == QMetaType::Int) {
    bool ok = false;
    const int number = value.toString().trimmed().toInt(&ok);
    return ok ? std::optional<QVariant>(number) : std::nullopt;
  }
  if (isText && type.id() == QMetaType::Bool) {
    const QString text = value.toString().trimmed().toLower();
    if (text == "true" || text == "1") return QVariant(true);
    if (text == "false" || text == "0") return QVariant(false);
    return std::nullopt;
  }
  QVariant converted = value;
  if (!converted.convert(type)) return std::nullopt;
  return converted;
}

}  // namespace

Settings::Settings(QObject* parent) : QObject(parent) {}

void Settings::define(const QString& id, const QVariant& defaultValue) {
  defaults_.insert(id, defaultValue);
  if (!values_.contains(id)) values_.insert(id, defaultValue);
}

void Settings::defineRange(const QString& id, int defaultValue, int minimum, int maximum) {
  ranges_.insert(id, {minimum, maximum});
  define(id, std::clamp(defaultValue, minimum, maximum));
}

void Settings::defineColour(const QString& id, const QString& defaultColour) {
  colourIds_ << id;
  define(id, defaultColour.toLower());
}

void Settings::restrictToChoices(const QString& id, const QVariantList& entries) {
  if (isDefined(id)) choices_.insert(id, entries);
}

QVariant Settings::value(const QString& id) const { return values_.value(id); }

std::optional<std::pair<int, int>> Settings::range(const QString& id) const {
  const auto found = ranges_.constFind(id);
  if (found == ranges_.constEnd()) return std::nullopt;
  return *found;
}

std::optional<QVariant> Settings::converted(const QString& id, const QVariant& value) const {
  const auto found = defaults_.constFind(id);
  if (found == defaults_.constEnd()) return std::nullopt;
  std::optional<QVariant> result = convertStrictly(value, found->metaType());
  if (!result) return std::nullopt;
  if (colourIds_.contains(id)) {
    if (!isColourText(result->toString())) return std::nullopt;
    result = result->toString().toLower();
  }
  if (const auto entries = choices_.constFind(id); entries != choices_.constEnd() && !entries->contains(*result)) {
    return std::nullopt;
  }
  return result;
}

Settings::Outcome Settings::setValue(const QString& id, const QVariant& value) {
  std::optional<QVariant> accepted = converted(id, value);
  if (!accepted) return Outcome::Refused;
  Outcome outcome = Outcome::Taken;
  if (const auto range = ranges_.constFind(id); range != ranges_.constEnd()) {
    const int number = accepted->toInt();
    const int clamped = std::clamp(number, range->first, range->second);
    if (clamped != number) outcome = Outcome::Clamped;
    accepted = clamped;
  }
  if (values_.value(id) != *accepted) {
    values_.insert(id, *accepted);
    Q_EMIT changed(id);
  }
  return outcome;
}

void Settings::resetToDefaults() {
  for (auto it = defaults_.cbegin(); it != defaults_.cend(); ++it) setValue(it.key(), it.value());
}

}  // namespace gm

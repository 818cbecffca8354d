#include "core/SettingsStore.h"

#include <QDir>
#include <QStringDecoder>
#include <QFileInfo>
#include <QSettings>

#include "core/AtomicFile.h"
#include "core/Directories.h"
#include "core/RegularFile.h"
#include "core/Settings.h"

namespace gm {
namespace {

// Far beyond the few hundred bytes of the program's own copies.
constexpr qint64 kMaxSettingsBytes = 1 << 20;

// The INI reader skips whatever it cannot parse, so a binary or truncated-into-garbage file would
// read as "nothing stored" and the user's settings would vanish without a word. A copy the program
// wrote is UTF-8 text.
bool looksLikeSettings(const QString& file) {
  const std::optional<QByteArray> content = RegularFile::read(file, kMaxSettingsBytes);
  if (!content || content->contains('\0')) return false;
  QStringDecoder utf8(QStringDecoder::Utf8);
  (void)utf8.decode(*content);
  return !utf8.hasError();
}

}  // namespace

SettingsStore::SettingsStore(QString permanentPath, QString temporaryPath)
    : permanentPath_(std::move(permanentPath)), temporaryPath_(std::move(temporaryPath)) {}

SettingsStore SettingsStore::of(const Directories& directories) {
  return {directories.configDir() + "/settings.ini", directories.runtimeDir() + "/settings.ini"};
}

const QString& SettingsStore::path(Tier tier) const {
  return tier == Tier::Permanent ? permanentPath_ : temporaryPath_;
}

SettingsStore::LoadResult SettingsStore::load(Settings& settings, Tier tier) const {
  using Status = LoadResult::Status;
  const QString& file = path(tier);
  // Only a plain file: QSettings would wait forever on a FIFO put in its place.
  const QFileInfo info(file);
  if (!info.exists()) return {Status::Missing, {}};
  if (!info.isFile() || !info.isReadable()) return {Status::Damaged, {}};
  if (!looksLikeSettings(file)) return {Status::Damaged, {}};
  QSettings ini(file, QSettings::IniFormat);
  if (ini.status() != QSettings::NoError || (info.size() > 0 && ini.allKeys().isEmpty())) return {Status::Damaged, {}};
  LoadResult result{Status::Read, {}};
  for (const QString& id : settings.ids()) {
    if (!ini.contains(id)) continue;
    const Settings::Outcome outcome = settings.setValue(id, ini.value(id));
    if (outcome == Settings::Outcome::Refused) settings.setValue(id, settings.defaultValue(id));
    if (outcome != Settings::Outcome::Taken) result.resetIds << id;
  }
  return result;
}

bool SettingsStore::save(const Settings& settings, Tier tier) const {
  const QString& file = path(tier);
  if (!QDir().mkpath(QFileInfo(file).absolutePath())) return false;
  return AtomicFile::writeWith(file, [&settings](const QString& temporaryPath) {
    QSettings ini(temporaryPath, QSettings::IniFormat);
    for (const QString& id : settings.ids()) ini.setValue(id, settings.value(id));
    ini.sync();
    return ini.status() == QSettings::NoError;
  });
}

}  // namespace gm

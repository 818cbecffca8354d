#include "tracks/TrackDatabase.h"

#include <QFileInfo>

#include "core/CatalogTable.h"
#include "tracks/RecordFile.h"
#include "tracks/TrackScript.h"

namespace gm {
namespace {

const char* fileName(TrackDatabase::Table table) {
  switch (table) {
    case TrackDatabase::Table::Bpm:
      return "bpm.db";
    case TrackDatabase::Table::Time:
      return "time.db";
    case TrackDatabase::Table::Rating:
      break;
  }
  return "rating.db";
}

bool fail(TrackDatabase::Failure* failure, const QString& path, const QString& reason) {
  if (failure != nullptr) *failure = {path, reason};
  return false;
}

}  // namespace

QString TrackDatabase::tablePath(Table table) const {
  return directories_.resolve(QStringLiteral("PROGDIR:Keyledger/") + fileName(table));
}

QString TrackDatabase::scriptPath(const std::string& relativePath) const {
  return directories_.resolve("PROGDIR:" + QString::fromStdString(relativePath));
}

bool TrackDatabase::hasScript(const std::string& relativeScriptPath) const {
  return available_ && !relativeScriptPath.empty() && QFileInfo::exists(scriptPath(relativeScriptPath));
}

std::int32_t TrackDatabase::lookup(Table table, const TrackDigest& digest) const {
  return available_ ? RecordFile::lookup(tablePath(table), digest) : 0;
}

bool TrackDatabase::upsert(Table table, const TrackDigest& digest, std::int32_t value, Failure* failure) const {
  if (!available_ || !ensureDirectory(failure)) return false;
  QString why;
  if (RecordFile::upsert(tablePath(table), digest, value, &why)) return true;
  return fail(failure, tablePath(table), why);
}

bool TrackDatabase::saveBpmCue(const TrackDigest& digest, const std::string& relativeScriptPath, std::int32_t bpm,
                               std::int32_t cueFrame, Failure* failure) const {
  if (!available_ || relativeScriptPath.empty() || !ensureDirectory(failure)) return false;
  const QString script = scriptPath(relativeScriptPath);
  QString why;
  if (!TrackScript::write(script, bpm, cueFrame, &why)) return fail(failure, script, why);
  return upsert(Table::Bpm, digest, bpm, failure);
}

bool TrackDatabase::ensureDirectory(Failure* failure) const {
  const QString directory = directories_.resolve(QStringLiteral("PROGDIR:Keyledger"));
  return Directories::ensureDir(directory) || fail(failure, directory, msg(Msg::ReasonNoDirectory));
}

}  // namespace gm

#include "core/Directories.h"

#include <unistd.h>

#include <cstring>

#include <QDir>
#include <QFileInfo>
#include <QtGlobal>

#include "core/CatalogTable.h"
#include "core/PrivateDirectory.h"

namespace gm {
namespace {

const char* const kProgDirPrefix = "PROGDIR:";

// Relative names under "PROGDIR:" that the program writes; they live in the user's home directory.
const QStringList& writtenNames() {
  static const QStringList names = {"Keyledger", "Config", "Cache", "Recordings", "Playlists"};
  return names;
}

QString environmentPath(const char* name) {
  const QString value = qEnvironmentVariable(name);
  return value.isEmpty() ? QString() : QDir::cleanPath(QDir(value).absolutePath());
}

QString firstOf(std::initializer_list<QString> candidates) {
  for (const QString& candidate : candidates) {
    if (!candidate.isEmpty()) return QDir::cleanPath(QDir(candidate).absolutePath());
  }
  return {};
}

QString xdgDir(const char* variable, const char* fallbackUnderHome) {
  const QString value = environmentPath(variable);
  return value.isEmpty() ? QDir::homePath() + "/" + fallbackUnderHome : value;
}

bool isWrittenName(const QString& relative) {
  if (relative.endsWith(".prefs")) return true;
  const QString first = relative.section('/', 0, 0);
  return writtenNames().contains(first);
}

}  // namespace

Directories Directories::resolve(const QString& programDirOption, const QString& homeDirOption,
                                 const QString& executablePath) {
  Directories dirs;
  dirs.programDir_ = firstOf({programDirOption, environmentPath("GROOVEMANGLER_PROGDIR"),
                              QFileInfo(executablePath).absolutePath()});
  dirs.homeDir_ = firstOf({homeDirOption, environmentPath("GROOVEMANGLER_HOME"),
                           xdgDir("XDG_DATA_HOME", ".local/share") + "/GrooveMangler"});
  dirs.configDir_ = xdgDir("XDG_CONFIG_HOME", ".config") + "/GrooveMangler";
  const QString runtime = environmentPath("XDG_RUNTIME_DIR");
  dirs.runtimeDir_ = runtime.isEmpty() ? QString("/tmp/groovemangler-%1").arg(getuid())
                                       : runtime + "/groovemangler";
  return dirs;
}

QString Directories::resolve(const QString& name) const {
  if (!name.startsWith(kProgDirPrefix)) return name;
  QString relative = name.mid(int(strlen(kProgDirPrefix)));
  while (relative.startsWith('/')) relative.remove(0, 1);
  const QString& root = isWrittenName(relative) ? homeDir_ : programDir_;
  return relative.isEmpty() ? root : QDir::cleanPath(root + "/" + relative);
}

QString Directories::clientSocketPath() const {
  const QString given = qEnvironmentVariable(kPortVariable);
  return given.isEmpty() ? commandSocketPath() : given;
}

bool Directories::ensureDir(const QString& path) { return QDir().mkpath(path); }

QString Directories::secureRuntimeDir() {
  const PrivateDirectory::Outcome outcome = PrivateDirectory::prepare(runtimeDir_);
  if (outcome.problem.isEmpty()) return {};
  const QString wanted = runtimeDir_;
  runtimeDir_ = outcome.path;
  if (outcome.path.isEmpty()) return msg(Msg::StatusNoRuntimeDir).arg(wanted, outcome.problem);
  return msg(Msg::StatusRuntimeDirRefused).arg(wanted, outcome.problem, outcome.path);
}

}  // namespace gm

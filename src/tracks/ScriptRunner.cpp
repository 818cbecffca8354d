#include "tracks/ScriptRunner.h"

#include <QFileInfo>
#include <QProcess>

#include "core/CatalogTable.h"

namespace gm {

ScriptRunner::ScriptRunner(const Directories& directories)
    : program_(directories.resolve(QStringLiteral("PROGDIR:") + kProgramName)),
      socketPath_(directories.commandSocketPath()) {}

bool ScriptRunner::run(const QString& scriptPath, const QString& deckName) {
  if (!QFileInfo(program_).isExecutable()) {
    // Said once: every later load would only repeat it. A runner installed later is used.
    if (!missingReported_) report(msg(Msg::StatusScriptRunnerMissing).arg(program_));
    missingReported_ = true;
    return false;
  }
  QProcess process;
  process.setProgram(program_);
  process.setArguments({scriptPath, deckName});
  process.setStandardInputFile(QProcess::nullDevice());
  process.setStandardOutputFile(QProcess::nullDevice());
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  environment.insert(Directories::kPortVariable, socketPath_);
  process.setProcessEnvironment(environment);
  // Detached: the runner is nobody's child to reap, and ends on its own time.
  if (process.startDetached()) return true;
  report(msg(Msg::StatusScriptNotStarted).arg(program_, process.errorString()));
  return false;
}

void ScriptRunner::report(const QString& text) const {
  if (report_) report_(text);
}

}  // namespace gm

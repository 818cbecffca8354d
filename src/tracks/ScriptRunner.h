#pragma once
// Starts per-track scripts: the REXX runner "GrooveMangler-rx" from the program directory, given
// the script's absolute path and the deck's name ("DECKA" or "DECKB"). The runner is not waited
// for: it talks to the program through the command port (named to it in $GROOVEMANGLER_PORT) while
// the program goes on. A missing runner is reported once, not as a failure of the load.

#include <functional>

#include <QString>

#include "core/Directories.h"

namespace gm {

class ScriptRunner {
 public:
  static constexpr const char* kProgramName = "GrooveMangler-rx";

  explicit ScriptRunner(const Directories& directories);

  // [main-thread] Where status messages go.
  void setReporter(std::function<void(const QString&)> report) { report_ = std::move(report); }
  const QString& programPath() const { return program_; }

  // [main-thread] Starts the runner on `scriptPath` for `deckName`, standard input and output on
  // /dev/null; its errors go where the program's own do. False when it could not be started.
  bool run(const QString& scriptPath, const QString& deckName);

 private:
  void report(const QString& text) const;

  QString program_;
  QString socketPath_;  // the command port's, for the runner
  std::function<void(const QString&)> report_;
  bool missingReported_ = false;
};

}  // namespace gm

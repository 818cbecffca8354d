#pragma once
// The headless program as a black box for the command port's tests: started in private
// directories, talked to through its real socket, ended with SIGTERM.

#include <string>

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "control/PortClient.h"

namespace gm::testing {

class HeadlessProgram {
 public:
  // Directories under `root` (runtime/, config/, home/); several programs may share one root.
  explicit HeadlessProgram(const QString& root);
  ~HeadlessProgram();

  // Starts the program and waits until it runs; false when it ended or did not get that far.
  bool start(const QStringList& tracks = {});
  // SIGTERM, then the exit status (-1 when it had to be killed).
  int stop();
  void kill();
  // Waits for the program to end by itself; its exit status, or -1.
  int waitForExit(int timeoutMs = 20000);
  // What it wrote to standard error so far.
  QString errorOutput() const;

  qint64 pid() const { return process_.processId(); }
  QString socketPath() const;
  QString homeDir() const { return root_ + "/home"; }
  QProcessEnvironment environment() const;

  // One command through this object's own connection; the reply line ("" when the program went away).
  std::string send(const std::string& command);
  // The value of one word of STATUS ("DECKA.BPM").
  std::string status(const std::string& word);
  // Waits until STATUS shows `word` with `value`.
  bool waitForStatus(const std::string& word, const std::string& value, int timeoutMs = 20000);

 private:
  QString root_;
  QProcess process_;
  PortClient client_;
};

// The program's executable and the REXX runner, from the build.
QString programPath();
QString runnerPath();

}  // namespace gm::testing

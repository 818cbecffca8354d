#include "support/TestSupport.h"

#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include "core/Directories.h"

namespace gm::testing {

bool installBuiltPlugins(const Directories& dirs) {
  const QString built = qEnvironmentVariable("GROOVEMANGLER_PROGDIR");
  bool ok = true;
  for (const char* relative : {"Filters/Mufflex.filter", "Filters/Thinex.filter", "Filters/Phaser.filter",
                               "BeatDetectors/Pulsetrak.detector"}) {
    const QString target = dirs.resolve(QString("PROGDIR:") + relative);
    ok = ok && QDir().mkpath(QFileInfo(target).path()) && QFile::copy(built + '/' + relative, target);
  }
  return ok;
}

bool waitFor(const std::function<bool()>& done, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (!done()) {
    if (timer.elapsed() > timeoutMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    QThread::msleep(1);
  }
  return true;
}

namespace {

// The child's exit status, or -1 when it did not exit normally within the time (it is killed then).
int exitStatusWithin(pid_t child, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (timer.elapsed() > timeoutMs) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      return -1;
    }
    QThread::msleep(5);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

bool finishesWithin(int timeoutMs, const std::function<void()>& work) {
  const pid_t child = fork();
  if (child < 0) return false;
  if (child == 0) {
    work();
    std::_Exit(0);
  }
  return exitStatusWithin(child, timeoutMs) == 0;
}

QString makeTrack(const QString& dir, const QString& name, int bpm, const QStringList& lengthArgs) {
  const QString tool = qEnvironmentVariable("GM_TOOLS_DIR") + "/gm-demo-tracks";
  const QString path = QDir(dir).filePath(name);
  const QStringList args = QStringList{"--bpm", QString::number(bpm), "--out", path} + lengthArgs;
  return runTool(tool, args) == 0 ? path : QString();
}

int runTool(const QString& program, const QStringList& arguments, int timeoutMs) {
  // A plain fork and exec rather than QProcess: ThreadSanitizer follows fork() but not the shared-memory
  // child that QProcess starts, and would then report races that are not there.
  std::vector<QByteArray> storage{QFile::encodeName(program)};
  for (const QString& argument : arguments) storage.push_back(argument.toLocal8Bit());
  std::vector<char*> argv;
  for (QByteArray& item : storage) argv.push_back(item.data());
  argv.push_back(nullptr);
  const pid_t child = fork();
  if (child < 0) return -1;
  if (child == 0) {
    execv(argv[0], argv.data());
    _exit(127);
  }
  return exitStatusWithin(child, timeoutMs);
}

}  // namespace gm::testing

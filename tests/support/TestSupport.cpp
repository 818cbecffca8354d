#include "support/TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

namespace gm::testing {

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

QString makeTrack(const QString& dir, const QString& name, int bpm, const QStringList& lengthArgs) {
  const QString tool = qEnvironmentVariable("GM_TOOLS_DIR") + "/gm-demo-tracks";
  const QString path = QDir(dir).filePath(name);
  const QStringList args = QStringList{"--bpm", QString::number(bpm), "--out", path} + lengthArgs;
  return runTool(tool, args) == 0 ? path : QString();
}

int runTool(const QString& program, const QStringList& arguments, int timeoutMs) {
  QProcess process;
  process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process.start(program, arguments);
  if (!process.waitForFinished(timeoutMs) || process.exitStatus() != QProcess::NormalExit) return -1;
  return process.exitCode();
}

}  // namespace gm::testing

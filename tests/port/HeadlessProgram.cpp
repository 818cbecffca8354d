#include "HeadlessProgram.h"

#include <csignal>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

namespace gm::testing {

QString programPath() { return QStringLiteral(GM_PROGRAM); }
QString runnerPath() { return QStringLiteral(GM_RUNNER); }

HeadlessProgram::HeadlessProgram(const QString& root) : root_(root) {
  for (const char* dir : {"runtime", "config", "home"}) QDir().mkpath(root_ + "/" + dir);
  process_.setProcessEnvironment(environment());
  process_.setStandardOutputFile(QProcess::nullDevice());
}

HeadlessProgram::~HeadlessProgram() {
  if (process_.state() != QProcess::NotRunning) stop();
}

QProcessEnvironment HeadlessProgram::environment() const {
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert("XDG_RUNTIME_DIR", root_ + "/runtime");
  env.insert("XDG_CONFIG_HOME", root_ + "/config");
  env.insert("GROOVEMANGLER_HOME", root_ + "/home");
  env.remove("DISPLAY");
  env.remove("WAYLAND_DISPLAY");
  return env;
}

QString HeadlessProgram::socketPath() const { return root_ + "/runtime/groovemangler/GROOVEMANGLER"; }

bool HeadlessProgram::start(const QStringList& tracks) {
  static int count = 0;
  const QString errors = QString("%1/stderr-%2.txt").arg(root_).arg(++count);
  process_.setStandardErrorFile(errors);
  process_.setProperty("errors", errors);
  process_.start(programPath(), QStringList{"--headless"} + tracks);
  if (!process_.waitForStarted(10000)) return false;
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 30000) {
    if (errorOutput().contains("running headless")) return true;
    if (process_.waitForFinished(50)) return false;
  }
  return false;
}

QString HeadlessProgram::errorOutput() const {
  QFile file(process_.property("errors").toString());
  return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

int HeadlessProgram::stop() {
  client_.disconnect();
  ::kill(pid_t(process_.processId()), SIGTERM);
  return waitForExit();
}

void HeadlessProgram::kill() {
  client_.disconnect();
  process_.kill();
  process_.waitForFinished(10000);
}

int HeadlessProgram::waitForExit(int timeoutMs) {
  if (!process_.waitForFinished(timeoutMs)) {
    process_.kill();
    process_.waitForFinished(10000);
    return -1;
  }
  return process_.exitStatus() == QProcess::NormalExit ? process_.exitCode() : -1;
}

std::string HeadlessProgram::send(const std::string& command) {
  std::string error;
  std::string reply;
  if (!client_.connected() && !client_.connectTo(socketPath().toStdString(), error)) return "";
  client_.send(command, reply);
  return reply;
}

std::string HeadlessProgram::status(const std::string& word) {
  const std::string line = " " + send("STATUS");
  const std::string key = " " + word + "=";
  const std::size_t at = line.find(key);
  if (at == std::string::npos) return "<no " + word + ">";
  const std::size_t start = at + key.size();
  return line.substr(start, line.find(' ', start) - start);
}

bool HeadlessProgram::waitForStatus(const std::string& word, const std::string& value, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    if (status(word) == value) return true;
    QThread::msleep(20);
  }
  return false;
}

}  // namespace gm::testing

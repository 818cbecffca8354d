#include "control/EventScriptLauncher.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include <QSocketNotifier>
#include <QTimer>

extern char** environ;

namespace gm {
namespace {

constexpr int kPollMs = 500;

// A descriptor that becomes readable when the process ends; -1 where the kernel has none.
int openProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
  return int(::syscall(SYS_pidfd_open, pid, 0));
#else
  (void)pid;
  return -1;
#endif
}

// The child starts with no signals blocked and the usual actions for the ones a shell relies on,
// whatever the program itself does with them.
void prepareSignals(posix_spawnattr_t& attributes) {
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  sigset_t defaults;
  sigemptyset(&defaults);
  for (const int signal : {SIGPIPE, SIGINT, SIGTERM, SIGQUIT, SIGHUP, SIGCHLD}) sigaddset(&defaults, signal);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
}

}  // namespace

EventScriptLauncher::EventScriptLauncher(QObject* parent) : QObject(parent), poll_(new QTimer(this)) {
  poll_->setInterval(kPollMs);
  connect(poll_, &QTimer::timeout, this, &EventScriptLauncher::reapEnded);
}

EventScriptLauncher::~EventScriptLauncher() {
  // Children still running are left to end on their own; whoever inherits them reaps them.
  for (Child& child : children_) {
    child.notifier.reset();
    if (child.pidFd >= 0) ::close(child.pidFd);
  }
}

pid_t EventScriptLauncher::start(const QString& line) {
  if (line.trimmed().isEmpty()) return -1;
  QByteArray command = line.toLocal8Bit();
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  prepareSignals(attributes);
  char shell[] = "sh";
  char option[] = "-c";
  char* const arguments[] = {shell, option, command.data(), nullptr};
  pid_t pid = -1;
  const int failed = posix_spawn(&pid, "/bin/sh", &actions, &attributes, arguments, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return -1;
  watch(pid);
  return pid;
}

void EventScriptLauncher::watch(pid_t pid) {
  Child child{pid, openProcessDescriptor(pid), nullptr};
  if (child.pidFd >= 0) {
    child.notifier = std::make_unique<QSocketNotifier>(child.pidFd, QSocketNotifier::Read);
    connect(child.notifier.get(), &QSocketNotifier::activated, this, &EventScriptLauncher::reapEnded);
  } else {
    poll_->start();
  }
  children_.push_back(std::move(child));
}

void EventScriptLauncher::reapEnded() {
  std::vector<pid_t> ended;
  for (Child& child : children_) {
    int status = 0;
    const pid_t result = ::waitpid(child.pid, &status, WNOHANG);
    if (result == child.pid || (result < 0 && errno == ECHILD)) ended.push_back(child.pid);
  }
  for (const pid_t pid : ended) {
    const auto child = std::find_if(children_.begin(), children_.end(), [pid](const Child& c) { return c.pid == pid; });
    if (child->notifier) {
      // This may run inside the notifier's own signal: it goes once control is back in the loop.
      child->notifier->setEnabled(false);
      child->notifier.release()->deleteLater();
    }
    if (child->pidFd >= 0) ::close(child->pidFd);
    children_.erase(child);
  }
  const bool polled = std::any_of(children_.begin(), children_.end(), [](const Child& c) { return c.pidFd < 0; });
  if (!polled) poll_->stop();
  for (const pid_t pid : ended) Q_EMIT reaped(pid);
}

}  // namespace gm

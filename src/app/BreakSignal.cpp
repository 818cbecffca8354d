#include "app/BreakSignal.h"

#include <fcntl.h>
#include <unistd.h>

#include <csignal>

#include <QSocketNotifier>

namespace gm {
namespace {

int pipeFds[2] = {-1, -1};
struct sigaction previousInt;
struct sigaction previousTerm;

void onSignal(int signalNumber) {
  const unsigned char byte = static_cast<unsigned char>(signalNumber);
  const int savedErrno = errno;
  [[maybe_unused]] const ssize_t written = write(pipeFds[1], &byte, 1);
  errno = savedErrno;
}

}  // namespace

BreakSignal::BreakSignal(QObject* parent) : QObject(parent) {
  if (pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) return;
  struct sigaction action {};
  action.sa_handler = onSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGINT, &action, &previousInt);
  sigaction(SIGTERM, &action, &previousTerm);
  notifier_ = new QSocketNotifier(pipeFds[0], QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, &BreakSignal::drainPipe);
}

BreakSignal::~BreakSignal() {
  if (!notifier_) return;
  sigaction(SIGINT, &previousInt, nullptr);
  sigaction(SIGTERM, &previousTerm, nullptr);
  close(pipeFds[0]);
  close(pipeFds[1]);
  pipeFds[0] = pipeFds[1] = -1;
}

void BreakSignal::drainPipe() {
  unsigned char byte = 0;
  while (read(pipeFds[0], &byte, 1) == 1) Q_EMIT received(byte);
}

}  // namespace gm

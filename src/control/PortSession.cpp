#include "control/PortSession.h"

#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

namespace gm {

PortSession::PortSession(int fd, const CommandPort::Executor& executor, QObject* parent)
    : QObject(parent),
      fd_(fd),
      executor_(executor),
      readNotifier_(fd, QSocketNotifier::Read),
      writeNotifier_(fd, QSocketNotifier::Write) {
  writeNotifier_.setEnabled(false);
  connect(&readNotifier_, &QSocketNotifier::activated, this, &PortSession::readInput);
  connect(&writeNotifier_, &QSocketNotifier::activated, this, &PortSession::flush);
}

PortSession::~PortSession() {
  readNotifier_.setEnabled(false);
  writeNotifier_.setEnabled(false);
  ::close(fd_);
}

void PortSession::readInput() {
  char buffer[4096];
  qsizetype taken = 0;
  while (!finished_ && !inputEnded_ && taken < CommandPort::kReadBytesPerWake) {
    const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
    if (count > 0) {
      takeBytes(QByteArrayView(buffer, count));
      taken += count;
    } else if (count == 0) {
      // The client sends no more (a half line is dropped); what it asked for is still answered.
      inputEnded_ = true;
      readNotifier_.setEnabled(false);
      if (output_.isEmpty()) finish();
    } else if (errno != EINTR) {
      if (errno != EAGAIN && errno != EWOULDBLOCK) finish();
      return;
    }
  }
}

void PortSession::takeBytes(QByteArrayView bytes) {
  while (!bytes.isEmpty() && !finished_) {
    const qsizetype newline = bytes.indexOf('\n');
    const QByteArrayView piece = newline < 0 ? bytes : bytes.first(newline);
    if (!discarding_ && line_.size() + piece.size() > CommandPort::kMaxLineBytes) {
      discarding_ = true;
      line_.clear();
      answer(CommandReply::error(CommandReply::kLineTooLong, "line too long"));
    } else if (!discarding_) {
      line_ += piece;
    }
    if (newline < 0) return;
    bytes = bytes.sliced(newline + 1);
    if (!discarding_ && !finished_) answer(run(std::exchange(line_, QByteArray())));
    discarding_ = false;
  }
}

CommandReply PortSession::run(const QByteArray& line) {
  // A command may open a requester, whose event loop would serve this client's next line before
  // this one is answered: the client is not read until the command is done.
  readNotifier_.setEnabled(false);
  const CommandReply reply = executor_(line);
  readNotifier_.setEnabled(!finished_ && !inputEnded_);
  return reply;
}

void PortSession::answer(const CommandReply& reply) {
  output_ += reply.line();
  output_ += '\n';
  flush();
  // A client that does not read its replies must not make the program keep them without end.
  if (output_.size() > CommandPort::kMaxPendingReplyBytes) finish();
}

void PortSession::flush() {
  while (!output_.isEmpty() && !finished_) {
    const ssize_t count = ::send(fd_, output_.constData(), std::size_t(output_.size()), MSG_NOSIGNAL);
    if (count > 0) {
      output_.remove(0, count);
    } else if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      break;
    } else if (count == 0 || errno != EINTR) {
      finish();
      return;
    }
  }
  writeNotifier_.setEnabled(!finished_ && !output_.isEmpty());
  if (output_.isEmpty() && inputEnded_) finish();
}

void PortSession::finish() {
  if (finished_) return;
  finished_ = true;
  readNotifier_.setEnabled(false);
  writeNotifier_.setEnabled(false);
  Q_EMIT finished();
}

}  // namespace gm

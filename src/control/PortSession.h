#pragma once
// One client of the command port: splits what it sends into lines, runs each, and queues the
// replies. Reading and writing never block; both buffers are bounded (see CommandPort).

#include <QByteArray>
#include <QObject>
#include <QSocketNotifier>

#include "control/CommandPort.h"

namespace gm {

class PortSession : public QObject {
  Q_OBJECT
 public:
  // Takes over the connected, non-blocking socket `fd`. `executor` must outlive the session.
  PortSession(int fd, const CommandPort::Executor& executor, QObject* parent = nullptr);
  ~PortSession() override;  // closes the socket

 Q_SIGNALS:
  // The client hung up, failed or was dropped: the session does nothing more and may be deleted
  // (later: not from inside this signal).
  void finished();

 private:
  void readInput();
  void takeBytes(QByteArrayView bytes);
  CommandReply run(const QByteArray& line);
  void answer(const CommandReply& reply);
  void flush();
  void finish();

  int fd_;
  const CommandPort::Executor& executor_;
  QSocketNotifier readNotifier_;
  QSocketNotifier writeNotifier_;
  QByteArray line_;          // the line so far, at most kMaxLineBytes
  bool discarding_ = false;  // the line was too long: skip to its line feed
  QByteArray output_;        // replies not yet taken by the client
  bool inputEnded_ = false;  // the client will send no more; end once the replies are out
  bool finished_ = false;
};

}  // namespace gm

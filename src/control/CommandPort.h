#pragma once
// The command port: a Unix-domain stream socket (mode 0600, in the private runtime directory)
// through which scripts and shells drive the running program. A client writes command lines ending
// in a line feed and reads one reply line for each, in order.
//
// Served on the main thread without ever blocking it: every socket is non-blocking and watched by
// socket notifiers, each wake reads a bounded amount, and every buffer has a bound. Clients of
// another user are refused (checked with SO_PEERCRED). A line over kMaxLineBytes is answered with
// kLineTooLong and discarded up to its line feed. A client whose unread replies pass
// kMaxPendingReplyBytes is dropped; one that hangs up mid-line has its half line dropped.
//
// Only one program serves a socket path: open() refuses a socket that answers (another instance
// lives there) and a lock beside it that another instance holds, and replaces a socket nobody
// answers on (left by a program that died).

#include <functional>
#include <vector>

#include <QByteArrayView>
#include <QObject>
#include <QString>

#include "control/CommandReply.h"

class QSocketNotifier;

namespace gm {

class PortSession;

class CommandPort : public QObject {
  Q_OBJECT
 public:
  static constexpr qsizetype kMaxLineBytes = 4096;  // before the line feed
  static constexpr qsizetype kMaxPendingReplyBytes = 64 * 1024;
  static constexpr qsizetype kReadBytesPerWake = 16 * 1024;  // per client: the others get their turn
  static constexpr int kMaxClients = 128;

  // [main-thread] Runs one command line (without its line feed) and gives the reply.
  using Executor = std::function<CommandReply(QByteArrayView line)>;

  enum class Outcome { Opened, InUse, Failed };

  explicit CommandPort(Executor executor, QObject* parent = nullptr);
  // Drops every client and removes the socket (if it is still this port's).
  ~CommandPort() override;

  // [main-thread] Opens the socket at `path`. InUse when another program serves it; Failed, with
  // `reason`, when it cannot be made.
  Outcome open(const QString& path, QString* reason = nullptr);
  bool isOpen() const { return listenFd_ >= 0; }
  const QString& path() const { return path_; }
  int clientCount() const { return int(sessions_.size()); }

 private:
  bool takeLock(const QByteArray& socketPath, QString* reason);
  bool listenAt(const QByteArray& socketPath, QString* reason);
  void acceptClients();
  void refuse(int fd, const CommandReply& reply);
  void endSession(PortSession* session);
  void close();

  Executor executor_;
  QString path_;
  int listenFd_ = -1;
  int lockFd_ = -1;
  unsigned long long socketInode_ = 0;  // to remove only our own socket file
  QSocketNotifier* listenNotifier_ = nullptr;
  std::vector<PortSession*> sessions_;  // children of this port
};

}  // namespace gm

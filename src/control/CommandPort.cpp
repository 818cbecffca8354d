#include "control/CommandPort.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <QFile>
#include <QSocketNotifier>
#include <QTimer>

#include "core/CatalogTable.h"
#include "control/PortSession.h"

namespace gm {
namespace {

// After running out of descriptors, the port waits this long before it accepts again, rather than
// spinning on a connection it cannot take.
constexpr int kAcceptPauseMs = 100;

QString systemError() { return QString::fromLocal8Bit(std::strerror(errno)); }

bool fillAddress(const QByteArray& path, sockaddr_un& address) {
  address = sockaddr_un{};
  address.sun_family = AF_UNIX;
  if (path.size() >= qsizetype(sizeof address.sun_path)) return false;
  std::memcpy(address.sun_path, path.constData(), std::size_t(path.size()));
  return true;
}

// True when a program accepts connections on the socket at `path`.
bool somebodyAnswers(const sockaddr_un& address) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return false;
  const bool answers = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
  ::close(fd);
  return answers;
}

bool peerIsThisUser(int fd) {
  ucred credentials{};
  socklen_t length = sizeof credentials;
  return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) == 0 && credentials.uid == ::geteuid();
}

}  // namespace

CommandPort::CommandPort(Executor executor, QObject* parent) : QObject(parent), executor_(std::move(executor)) {}

CommandPort::~CommandPort() { close(); }

CommandPort::Outcome CommandPort::open(const QString& path, QString* reason) {
  close();
  QString why;
  const QByteArray native = QFile::encodeName(path);
  sockaddr_un address;
  if (!fillAddress(native, address)) {
    why = msg(Msg::ReasonSocketPathTooLong);
  } else if (somebodyAnswers(address)) {
    if (reason) *reason = msg(Msg::ReasonPortServed);
    return Outcome::InUse;
  } else if (!takeLock(native, &why)) {
    if (reason) *reason = why;
    return Outcome::InUse;
  } else if (listenAt(native, &why)) {
    path_ = path;
    return Outcome::Opened;
  }
  if (reason) *reason = why;
  close();
  return Outcome::Failed;
}

// The lock beside the socket makes "is it stale?" and "replace it" one step: whoever holds it owns
// the socket path, so two programs starting together cannot remove each other's socket.
bool CommandPort::takeLock(const QByteArray& socketPath, QString* reason) {
  lockFd_ = ::open((socketPath + ".lock").constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd_ < 0) {
    *reason = systemError();
    return false;
  }
  if (::flock(lockFd_, LOCK_EX | LOCK_NB) == 0) return true;
  *reason = msg(Msg::ReasonPortOpening);
  ::close(lockFd_);
  lockFd_ = -1;
  return false;
}

bool CommandPort::listenAt(const QByteArray& socketPath, QString* reason) {
  sockaddr_un address;
  fillAddress(socketPath, address);
  struct stat existing{};
  if (::lstat(socketPath.constData(), &existing) == 0) {
    // Left by a program that died (nobody answered and nobody holds the lock). Anything other than
    // a socket is not ours to remove.
    if (!S_ISSOCK(existing.st_mode)) {
      *reason = msg(Msg::ReasonNotASocket);
      return false;
    }
    ::unlink(socketPath.constData());
  }
  listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  struct stat made{};
  // The directory is private already; the mode keeps the socket so should it ever be moved.
  if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
      ::chmod(socketPath.constData(), 0600) != 0 || ::listen(listenFd_, SOMAXCONN) != 0 ||
      ::lstat(socketPath.constData(), &made) != 0) {
    *reason = systemError();
    return false;
  }
  socketInode_ = made.st_ino;
  listenNotifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, this);
  connect(listenNotifier_, &QSocketNotifier::activated, this, &CommandPort::acceptClients);
  return true;
}

void CommandPort::acceptClients() {
  // Bounded, so that a storm of connections still leaves the window its turn; the notifier fires
  // again for the rest.
  for (int accepted = 0; accepted < kMaxClients; ++accepted) {
    const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd < 0) {
      if (errno == EINTR || errno == ECONNABORTED) continue;
      if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
        listenNotifier_->setEnabled(false);
        QTimer::singleShot(kAcceptPauseMs, listenNotifier_, [notifier = listenNotifier_] { notifier->setEnabled(true); });
      }
      return;
    }
    if (!peerIsThisUser(fd)) {
      ::close(fd);
    } else if (int(sessions_.size()) >= kMaxClients) {
      refuse(fd, CommandReply::error(CommandReply::kRefused, "too many clients"));
    } else {
      auto* session = new PortSession(fd, executor_, this);
      connect(session, &PortSession::finished, this, [this, session] { endSession(session); });
      sessions_.push_back(session);
    }
  }
}

void CommandPort::refuse(int fd, const CommandReply& reply) {
  const QByteArray line = reply.line() + '\n';
  // A fresh socket takes a short line at once; if not, the client learns it from the hang-up.
  [[maybe_unused]] const ssize_t sent = ::send(fd, line.constData(), std::size_t(line.size()), MSG_NOSIGNAL);
  ::close(fd);
}

void CommandPort::endSession(PortSession* session) {
  sessions_.erase(std::remove(sessions_.begin(), sessions_.end(), session), sessions_.end());
  session->deleteLater();
}

void CommandPort::close() {
  for (PortSession* session : sessions_) delete session;
  sessions_.clear();
  delete listenNotifier_;
  listenNotifier_ = nullptr;
  if (listenFd_ >= 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    const QByteArray native = QFile::encodeName(path_);
    struct stat current{};
    // Another program may have taken the path over since (after this one was thought dead).
    if (::lstat(native.constData(), &current) == 0 && current.st_ino == socketInode_) ::unlink(native.constData());
  }
  if (lockFd_ >= 0) {
    ::close(lockFd_);
    lockFd_ = -1;
  }
  path_.clear();
}

}  // namespace gm

#include "control/PortClient.h"

#include <sys/socket.h>
#include <sys/time.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace gm {

PortClient::~PortClient() { disconnect(); }

void PortClient::disconnect() {
  if (fd_ >= 0) ::close(fd_);
  fd_ = -1;
  received_.clear();
}

bool PortClient::connectTo(const std::string& path, std::string& error) {
  disconnect();
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof address.sun_path) {
    error = "the socket path is too long";
    return false;
  }
  std::memcpy(address.sun_path, path.data(), path.size());
  fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd_ < 0 || ::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    error = std::strerror(errno);
    disconnect();
    return false;
  }
  ucred credentials{};
  socklen_t length = sizeof credentials;
  if (::getsockopt(fd_, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || credentials.uid != ::geteuid()) {
    error = "the socket belongs to another user";
    disconnect();
    return false;
  }
  return true;
}

bool PortClient::send(std::string_view command, std::string& reply) {
  reply.clear();
  if (fd_ < 0 || command.find('\n') != std::string_view::npos) return false;
  std::string line(command);
  line += '\n';
  if (writeAll(line) && readLine(reply)) return true;
  disconnect();
  return false;
}

bool PortClient::writeAll(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t count = ::send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) timedOut_ = true;
    if (count <= 0) return false;
    bytes.remove_prefix(std::size_t(count));
  }
  return true;
}

void PortClient::setReplyTimeout(std::chrono::milliseconds timeout) {
  const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(timeout);
  const timeval limit{time_t(seconds.count()), suseconds_t(std::chrono::microseconds(timeout - seconds).count())};
  ::setsockopt(fd_, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
  ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

bool PortClient::readLine(std::string& line) {
  for (;;) {
    const std::size_t newline = received_.find('\n');
    if (newline != std::string::npos) {
      line.assign(received_, 0, newline);
      received_.erase(0, newline + 1);
      return true;
    }
    char buffer[4096];
    const ssize_t count = ::recv(fd_, buffer, sizeof buffer, 0);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) timedOut_ = true;
    if (count <= 0) return false;
    received_.append(buffer, std::size_t(count));
  }
}

int PortClient::replyCode(std::string_view reply) {
  int code = 0;
  std::size_t i = 0;
  for (; i < reply.size() && i < 9 && reply[i] >= '0' && reply[i] <= '9'; ++i) code = code * 10 + (reply[i] - '0');
  return i == 0 ? -1 : code;
}

std::string_view PortClient::replyText(std::string_view reply) {
  const std::size_t space = reply.find(' ');
  return space == std::string_view::npos ? std::string_view() : reply.substr(space + 1);
}

}  // namespace gm

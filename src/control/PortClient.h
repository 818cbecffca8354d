#pragma once
// The client side of the command port, for programs that talk to a running GrooveMangler: the
// shell client (--send) and the REXX runner. Plain C++ with blocking calls; never used on the
// program's main thread.

#include <chrono>
#include <string>
#include <string_view>

namespace gm {

class PortClient {
 public:
  PortClient() = default;
  PortClient(const PortClient&) = delete;
  PortClient& operator=(const PortClient&) = delete;
  ~PortClient();

  // Connects to the socket at `path`. False, with `error` saying why, when nothing accepts
  // connections there, or when what does runs as another user (it is not this user's program).
  bool connectTo(const std::string& path, std::string& error);
  bool connected() const { return fd_ >= 0; }
  void disconnect();
  // After connecting: a reply that takes longer than `timeout` ends send() with false and
  // timedOut() true (a program that is stopped or hangs). Without it, send() waits as long as it takes.
  void setReplyTimeout(std::chrono::milliseconds timeout);
  bool timedOut() const { return timedOut_; }

  // Sends one command line and waits for its reply line (without the line feed). False, with
  // `reply` empty, when the program went away; a command with a line feed in it is not sent.
  bool send(std::string_view command, std::string& reply);

  // The code at the start of a reply line; -1 when it has none.
  static int replyCode(std::string_view reply);
  // The text after the code and its space; empty when there is none.
  static std::string_view replyText(std::string_view reply);

 private:
  bool writeAll(std::string_view bytes);
  bool readLine(std::string& line);

  int fd_ = -1;
  bool timedOut_ = false;
  std::string received_;  // bytes after the last reply line
};

}  // namespace gm

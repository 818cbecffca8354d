#pragma once
// The shell's client of the command port (GrooveMangler --send CMD...): sends each command as one
// line to the running program and prints each reply line; and the hand-over of files opened from the
// desktop (GrooveMangler --open FILE...) to a program that runs already.

#include <chrono>
#include <cstdio>

#include <QByteArrayList>
#include <QString>

namespace gm {

class CommandSender {
 public:
  // Exit status when no program answers on the socket (EX_UNAVAILABLE).
  static constexpr int kNoProgram = 69;

  // Sends `commands` in order to the socket at `socketPath`, printing one reply line for each to
  // `out` and problems to `err`. Returns 0 when every reply was 0, else the first code that was not
  // 0, or kNoProgram when no program answered (or it went away before it answered them all, with
  // no code that was not 0 before).
  static int run(const QString& socketPath, const QByteArrayList& commands, std::FILE* out, std::FILE* err);

  // Hands `files` (names as bytes, relative ones to the current directory) one by one with OPEN to
  // the program at `socketPath`. False when no program answers there (nothing there, or a socket
  // left behind by one that ended): the caller starts the program itself. Otherwise `status` is 0
  // when every file was taken, else the first reply code that was not 0 (refusals are said on `err`),
  // or kNoProgram when the program runs but does not answer within `replyTimeout` (stopped or hung:
  // a file manager's "Open with" must not wait for ever).
  static constexpr std::chrono::milliseconds kHandOverTimeout{5000};
  static bool handOver(const QString& socketPath, const QByteArrayList& files, std::FILE* err, int& status,
                       std::chrono::milliseconds replyTimeout = kHandOverTimeout);
};

}  // namespace gm

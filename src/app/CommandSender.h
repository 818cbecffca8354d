#pragma once
// The shell's client of the command port (GrooveMangler --send CMD...): sends each command as one
// line to the running program and prints each reply line.

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
};

}  // namespace gm

#pragma once
// What the command port answers to one command line: a code (0 when the command was carried out)
// and an optional text. On the wire: the code in decimal, then a space and the text when there is one.

#include <QByteArray>

namespace gm {

struct CommandReply {
  // The codes a client can rely on (they are documented for scripts and shells).
  enum Code : int {
    kDone = 0,            // carried out
    kNothingDone = 1,     // an argument none of the command's keywords, an ignored value, or a no-op command
    kUnknownCommand = 2,  // no command of that name
    kLineTooLong = 3,     // over kMaxLineBytes; the line was discarded
    kBadArgument = 4,     // a required argument missing, a number that is none, too many arguments
    kRefused = 5,         // cannot be done now or here: a busy deck, a missing file, no such event
  };

  int code = kDone;
  QByteArray text;

  static CommandReply done(QByteArray text = {}) { return {kDone, std::move(text)}; }
  static CommandReply error(int code, QByteArray text) { return {code, std::move(text)}; }

  // The reply line without its line feed. A line feed or carriage return inside the text would
  // split the reply in two, so each becomes a space.
  QByteArray line() const;
};

}  // namespace gm

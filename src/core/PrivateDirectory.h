#pragma once
// A directory only this user can enter: the runtime directory (settings in use, the command socket).
// An existing directory is accepted only when it is a real directory (not a symbolic link) owned by
// this user with no access for anyone else; otherwise a fresh one is made beside it, so that another
// user who created the name first can neither read nor replace what the program keeps there.

#include <QString>

namespace gm {

class PrivateDirectory {
 public:
  struct Outcome {
    QString path;     // the directory to use; empty when none could be had
    QString problem;  // why `wanted` was not used, empty when it was
  };

  // [main-thread] Creates `wanted` with mode 0700 when missing and checks it; when it is refused or
  // cannot be made, falls back to a fresh directory from mkdtemp in the system's temporary directory.
  static Outcome prepare(const QString& wanted);

  // Empty when `path` is a real directory owned by this user, writable, with no access for others;
  // otherwise what is wrong with it.
  static QString checkPrivate(const QString& path);
};

}  // namespace gm

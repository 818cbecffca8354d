#pragma once
// The names of recordings: "<prefix>-YYYYMMDD-HHMMSS.wav" from the local time a file is started
// ("mix-20141119-213005.wav"). Two files started within one second would share that name, so the
// second and later take a number: "mix-20141119-213005-2.wav".

#include <QDateTime>
#include <QString>

namespace gm {

class RecordingFileName {
 public:
  // The file name (no directory) for `prefix` at `localTime`; `number` 1 is the plain name, higher
  // numbers the later files of the same second. A '/' in the prefix becomes '_': the prefix names
  // files, it never leads into another directory.
  static QString make(const QString& prefix, const QDateTime& localTime, int number = 1);
};

}  // namespace gm

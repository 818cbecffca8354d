#pragma once
// Finds plug-in files: every plain file of a directory whose first four bytes are the ELF magic
// (0x7F 'E' 'L' 'F'), whatever its name, in the order the directory listing gives.

#include <QString>
#include <QStringList>

namespace gm {

class PluginDirectory {
 public:
  // [main-thread] Absolute paths of the plug-in files in `directory`, in listing order; empty when
  // the directory is missing, unreadable or not a directory. The other visible plain files there
  // (not hidden, not ELF) go to `others` when given.
  static QStringList pluginFiles(const QString& directory, QStringList* others = nullptr);
  // A plain file (symbolic links followed) that starts with the ELF magic; false when it cannot be
  // opened or read.
  static bool isPluginFile(const QString& path);
  // A plain file, symbolic links followed.
  static bool isPlainFile(const QString& path);
};

}  // namespace gm

#pragma once
// Where the program's files live. Two roots: the program directory (read-only resources beside the
// executable: plug-ins, catalogs, demo tracks) and the home directory (the user's writable data).
// Names written as "PROGDIR:<relative>" resolve to one or the other; nothing else builds such paths.

#include <QString>
#include <QStringList>

namespace gm {

class Directories {
 public:
  // Roots from explicit values (command line), else the environment (GROOVEMANGLER_PROGDIR,
  // GROOVEMANGLER_HOME, XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_RUNTIME_DIR), else the defaults:
  // the executable's directory and $XDG_DATA_HOME/GrooveMangler.
  static Directories resolve(const QString& programDirOption, const QString& homeDirOption,
                             const QString& executablePath);

  const QString& programDir() const { return programDir_; }
  const QString& homeDir() const { return homeDir_; }
  // $XDG_CONFIG_HOME/GrooveMangler: the permanent settings copy.
  const QString& configDir() const { return configDir_; }
  // $XDG_RUNTIME_DIR/groovemangler (or /tmp/groovemangler-UID): the temporary settings copy and the
  // command socket; lost at reboot.
  const QString& runtimeDir() const { return runtimeDir_; }
  // The command port's socket, "GROOVEMANGLER" in the runtime directory. Clients take
  // $GROOVEMANGLER_PORT instead when it is set: the program sets it for the scripts it starts, so
  // they find its socket even where the runtime directory had to move (see secureRuntimeDir()).
  QString commandSocketPath() const { return runtimeDir_ + "/GROOVEMANGLER"; }
  QString clientSocketPath() const;
  static constexpr const char* kPortVariable = "GROOVEMANGLER_PORT";

  // "PROGDIR:Keyledger/bpm.db" → <home>/Keyledger/bpm.db; "PROGDIR:Filters" → <progdir>/Filters.
  // Names that the program writes resolve to the home directory, everything else to the program
  // directory. A name without the prefix is returned unchanged.
  QString resolve(const QString& name) const;

  // [main-thread] Makes sure the runtime directory is private to this user (see PrivateDirectory),
  // moving it to a fresh private directory when the wanted one is refused. Returns the message for
  // the user when it was refused or none could be had; empty when all is well.
  QString secureRuntimeDir();

  // Creates a directory (and parents) when missing; false on failure.
  static bool ensureDir(const QString& path);

 private:
  QString programDir_;
  QString homeDir_;
  QString configDir_;
  QString runtimeDir_;
};

}  // namespace gm

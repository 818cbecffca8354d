#pragma once
// The two copies of the settings: the permanent one (kept across restarts) and the temporary one
// (lost at reboot), each an INI file of the identified values. "Save" writes both, "Use" only the
// temporary one, "Cancel" loads the temporary one back.

#include <QString>

namespace gm {

class Directories;
class Settings;

class SettingsStore {
 public:
  enum class Tier { Temporary, Permanent };

  SettingsStore(QString permanentPath, QString temporaryPath);
  // The program's copies: "settings.ini" in the configuration and in the runtime directory.
  static SettingsStore of(const Directories& directories);

  // [main-thread] Loads the values a copy holds into `settings`; ids the copy lacks keep their value.
  // False when the copy does not exist or cannot be read.
  bool load(Settings& settings, Tier tier) const;
  // [main-thread] Writes every defined value, replacing the file atomically. False on failure (the
  // previous copy is then left as it was).
  bool save(const Settings& settings, Tier tier) const;

  const QString& path(Tier tier) const;

 private:
  QString permanentPath_;
  QString temporaryPath_;
};

}  // namespace gm

#pragma once
// The two copies of the settings: the permanent one (kept across restarts) and the temporary one
// (lost at reboot), each an INI file of the identified values. "Save" writes both, "Use" only the
// temporary one, "Cancel" loads the temporary one back.

#include <QString>
#include <QStringList>

namespace gm {

class Directories;
class Settings;

class SettingsStore {
 public:
  enum class Tier { Temporary, Permanent };

  // What a load found. Converts to true when the copy was read.
  struct LoadResult {
    enum class Status { Missing, Damaged, Read };
    Status status = Status::Missing;
    // Ids whose stored value was refused (wrong kind, unknown entry, bad colour) or clamped into
    // range: they now hold their default, or the nearest value in range.
    QStringList resetIds;
    explicit operator bool() const { return status == Status::Read; }
  };

  SettingsStore(QString permanentPath, QString temporaryPath);
  // The program's copies: "settings.ini" in the configuration and in the runtime directory.
  static SettingsStore of(const Directories& directories);

  // [main-thread] Loads the values a copy holds into `settings`; ids the copy lacks keep their value,
  // and so do ids whose stored value is refused (listed in the result). A copy that is not a
  // readable, well-formed file is Damaged and changes nothing.
  LoadResult load(Settings& settings, Tier tier) const;
  // [main-thread] Writes every defined value, replacing the file atomically. False on failure (the
  // previous copy is then left as it was).
  bool save(const Settings& settings, Tier tier) const;

  const QString& path(Tier tier) const;

 private:
  QString permanentPath_;
  QString temporaryPath_;
};

}  // namespace gm

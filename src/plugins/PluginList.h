#pragma once
// The plug-ins of one directory as the settings page lists them: every plug-in that has a name,
// enabled or not, each new one inserted at the top (so the list shows the directory in reverse
// listing order). These objects are separate instances from the racks' and decks'; they share
// only the preferences file.

#include <memory>
#include <vector>

#include <QString>

namespace gm {

class PluginHost;
class PluginObject;

class PluginList {
 public:
  struct Entry {
    std::unique_ptr<PluginObject> plugin;
    QString name;
    QString versionText;  // "%ld.%ld"
  };

  // [main-thread] Scans "PROGDIR:" + `directory` ("Filters", "BeatDetectors").
  PluginList(const PluginHost& host, const QString& directory);
  ~PluginList();

  const QString& directory() const { return directory_; }
  const std::vector<Entry>& entries() const { return entries_; }
  PluginObject& plugin(std::size_t index) { return *entries_[index].plugin; }

 private:
  void scan(const PluginHost& host);  // PluginPageScan

  QString directory_;
  std::vector<Entry> entries_;
};

}  // namespace gm

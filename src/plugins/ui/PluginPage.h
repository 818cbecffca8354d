#pragma once
// A settings page listing the plug-ins of one directory ("Filters", "BeatDetectors") with their
// versions, and the preferences panel of the selected one beside the list. The page's plug-in
// objects are its own; they share only the preferences files with the racks' and decks' objects.

#include <map>
#include <memory>

#include <QWidget>

class QTreeWidget;
class QTreeWidgetItem;

namespace gm {

class PluginHost;
class PluginList;

class PluginPage : public QWidget {
  Q_OBJECT
 public:
  // [main-thread] Scans "PROGDIR:" + `directory`; afterwards no entry is selected.
  PluginPage(const PluginHost& host, const QString& directory, QWidget* parent = nullptr);
  ~PluginPage() override;

  PluginList& list() { return *list_; }
  QTreeWidget& listView() { return *view_; }
  // The panel now shown beside the list: the placeholder while no plug-in is selected.
  QWidget* shownPanel() const { return shown_; }
  QWidget* placeholder() const { return placeholder_; }

 private:
  void showActive();  // PluginPageShowActive
  void showPanel(QWidget* panel);

  std::unique_ptr<PluginList> list_;
  QTreeWidget* view_;
  QWidget* container_;
  QWidget* placeholder_;
  QWidget* shown_;
  std::map<int, QWidget*> panels_;  // by list row, built on first selection
};

}  // namespace gm

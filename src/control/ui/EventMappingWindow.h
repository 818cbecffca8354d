#pragma once
// "GrooveMangler - Event Mapping": the list of every event with its shortcut and sensor, and below
// it the chosen event's sensor, shortcut, script and relative flag, "Catch Event" to bind the next
// controller sensor that moves, "Remove Event" to unbind the sensor, and "Save", "Use", "Cancel".

#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSortFilterProxyModel;
class QTableView;

namespace gm {

class EventMapping;
class EventTableModel;
class KeyEntryField;

class EventMappingWindow : public QWidget {
  Q_OBJECT
 public:
  explicit EventMappingWindow(EventMapping& mapping, QWidget* parent = nullptr);

  // [main-thread] Opens the window; what "Cancel" restores is the mapping as it is now.
  void open();

  QTableView& table() { return *table_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QWidget* buildEditor();
  QWidget* buildButtons();
  void buildTable();
  void connectMapping();
  void currentRowChanged();
  void showSelected();
  void recordEdited();
  void chooseScript();
  void save();
  void cancel();

  EventMapping& mapping_;
  EventTableModel* model_ = nullptr;
  QSortFilterProxyModel* sorted_ = nullptr;
  QTableView* table_ = nullptr;
  QLabel* sensor_ = nullptr;
  KeyEntryField* shortcut_ = nullptr;
  QLineEdit* script_ = nullptr;
  QPushButton* chooseScript_ = nullptr;
  QCheckBox* relative_ = nullptr;
  QPushButton* catchEvent_ = nullptr;
  QPushButton* removeEvent_ = nullptr;
};

}  // namespace gm

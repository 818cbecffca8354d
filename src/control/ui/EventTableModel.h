#pragma once
// The event list as a table for the mapping editor: "Zone", "Name", "Type", "Keyboard Shortcut",
// "Sensor". Its sort role gives what sorting compares: the texts as they are (an empty shortcut or
// sensor as the empty text, though it shows as "Unassigned") and the type as its number.

#include <QAbstractTableModel>

namespace gm {

class EventList;
struct EventBinding;

class EventTableModel : public QAbstractTableModel {
  Q_OBJECT
 public:
  enum Column { kZone, kName, kType, kShortcut, kSensor, kColumnCount };
  static constexpr int kSortRole = Qt::UserRole;

  explicit EventTableModel(EventList& events, QObject* parent = nullptr);

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  // [main-thread] One record changed, or the whole list (records added or restored).
  void recordChanged(int row);
  void reload();

  static QString typeName(int type);
  // What the record is bound to on controllers: its HID sensor and its MIDI control, either or
  // both; empty when neither.
  static QString sensorText(const EventBinding& record);

 private:
  EventList& events_;
};

}  // namespace gm

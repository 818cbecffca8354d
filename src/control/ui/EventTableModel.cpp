#include "control/ui/EventTableModel.h"

#include "control/EventList.h"
#include "core/CatalogTable.h"

namespace gm {

EventTableModel::EventTableModel(EventList& events, QObject* parent) : QAbstractTableModel(parent), events_(events) {}

int EventTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(events_.size());
}

int EventTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : kColumnCount; }

QString EventTableModel::typeName(int type) {
  switch (type) {
    case int(EventType::Button): return msg(Msg::EventTypeButton);
    case int(EventType::Toggle): return msg(Msg::EventTypeToggle);
    case int(EventType::Analog): return msg(Msg::EventTypeAnalog);
    case int(EventType::Output): return msg(Msg::EventTypeOutput);
    default: return msg(Msg::EventTypeUnknown);
  }
}

QString EventTableModel::sensorText(const EventBinding& record) {
  const QString midi = record.midi.description();
  if (record.hidName.isEmpty()) return midi;
  return midi.isEmpty() ? record.hidName : record.hidName + QStringLiteral(", ") + midi;
}

QVariant EventTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || std::size_t(index.row()) >= events_.size()) return {};
  if (role != Qt::DisplayRole && role != kSortRole) return {};
  const EventBinding& record = events_.records()[std::size_t(index.row())];
  const bool display = role == Qt::DisplayRole;
  const auto assigned = [display](const QString& text) {
    return display && text.isEmpty() ? msg(Msg::MappingUnassigned) : text;
  };
  switch (index.column()) {
    case kZone: return record.zone;
    case kName: return record.name;
    case kType: return display ? QVariant(typeName(record.type)) : QVariant(record.type);
    case kShortcut: return assigned(record.keyboard);
    case kSensor: return assigned(sensorText(record));
    default: return {};
  }
}

QVariant EventTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
  static constexpr Msg kTitles[kColumnCount] = {Msg::MappingZoneColumn, Msg::MappingNameColumn, Msg::MappingTypeColumn,
                                                Msg::MappingShortcutColumn, Msg::MappingSensorColumn};
  return section >= 0 && section < kColumnCount ? QVariant(msg(kTitles[section])) : QVariant();
}

void EventTableModel::recordChanged(int row) {
  if (row < 0 || row >= rowCount()) return;
  Q_EMIT dataChanged(index(row, 0), index(row, kColumnCount - 1));
}

void EventTableModel::reload() {
  beginResetModel();
  endResetModel();
}

}  // namespace gm

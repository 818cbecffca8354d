#include "control/ui/EventMappingWindow.h"

#include <functional>

#include <QCheckBox>
#include <QCloseEvent>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalBlocker>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <QVBoxLayout>

#include "control/EventList.h"
#include "control/EventMapping.h"
#include "control/ui/EventTableModel.h"
#include "control/ui/KeyEntryField.h"
#include "core/CatalogTable.h"

namespace gm {
namespace {

// Room for the five columns and a good part of the list, well inside a 1280×720 screen.
constexpr QSize kDefaultSize(860, 580);
constexpr int kZoneColumnWidth = 110;
constexpr int kNameColumnWidth = 210;
constexpr int kTypeColumnWidth = 70;
constexpr int kShortcutColumnWidth = 150;

// A file name as one word of a shell command line.
QString shellWord(const QString& path) {
  static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+,:@%=-]+$"));
  if (plain.match(path).hasMatch()) return path;
  QString quoted = path;
  quoted.replace('\'', QStringLiteral("'\\''"));
  return '\'' + quoted + '\'';
}

bool takesShortcut(const EventBinding& record) {
  return record.type == std::int32_t(EventType::Button) || record.type == std::int32_t(EventType::Toggle);
}

}  // namespace

EventMappingWindow::EventMappingWindow(EventMapping& mapping, QWidget* parent)
    : QWidget(parent, Qt::Window), mapping_(mapping) {
  setWindowTitle(msg(Msg::MappingTitle));
  setObjectName("WMAP");
  buildTable();
  auto* column = new QVBoxLayout(this);
  column->addWidget(table_, 1);
  column->addWidget(buildEditor());
  column->addWidget(buildButtons());
  connectMapping();
  showSelected();
  resize(kDefaultSize);
}

void EventMappingWindow::buildTable() {
  model_ = new EventTableModel(mapping_.events(), this);
  sorted_ = new QSortFilterProxyModel(this);
  sorted_->setSourceModel(model_);
  sorted_->setSortRole(EventTableModel::kSortRole);
  sorted_->setSortCaseSensitivity(Qt::CaseInsensitive);
  table_ = new QTableView(this);
  table_->setObjectName("events");
  table_->setModel(sorted_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 6);
  QHeaderView* header = table_->horizontalHeader();
  header->setStretchLastSection(true);
  header->resizeSection(EventTableModel::kZone, kZoneColumnWidth);
  header->resizeSection(EventTableModel::kName, kNameColumnWidth);
  header->resizeSection(EventTableModel::kType, kTypeColumnWidth);
  header->resizeSection(EventTableModel::kShortcut, kShortcutColumnWidth);
  // Unsorted at first: the events in the order they were registered.
  header->setSortIndicator(-1, Qt::AscendingOrder);
  table_->setSortingEnabled(true);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &EventMappingWindow::currentRowChanged);
}

QWidget* EventMappingWindow::buildEditor() {
  auto* editor = new QWidget(this);
  auto* form = new QFormLayout(editor);
  form->setContentsMargins(0, 0, 0, 0);
  sensor_ = new QLabel(editor);
  sensor_->setObjectName("sensor");
  form->addRow(msg(Msg::MappingSensorLabel), sensor_);
  shortcut_ = new KeyEntryField(editor);
  shortcut_->setObjectName("shortcut");
  shortcut_->setToolTip(msg(Msg::MappingShortcutHelp));
  form->addRow(msg(Msg::MappingShortcutLabel), shortcut_);
  auto* scriptRow = new QHBoxLayout;
  script_ = new QLineEdit(editor);
  script_->setObjectName("script");
  script_->setToolTip(msg(Msg::MappingScriptHelp));
  chooseScript_ = new QPushButton(QStringLiteral("…"), editor);
  chooseScript_->setObjectName("chooseScript");
  chooseScript_->setToolTip(msg(Msg::MappingChooseScript));
  scriptRow->addWidget(script_, 1);
  scriptRow->addWidget(chooseScript_);
  form->addRow(msg(Msg::MappingScriptLabel), scriptRow);

  auto* actions = new QHBoxLayout;
  relative_ = new QCheckBox(msg(Msg::MappingRelative), editor);
  relative_->setObjectName("relative");
  relative_->setToolTip(msg(Msg::MappingRelativeHelp));
  catchEvent_ = new QPushButton(msg(Msg::MappingCatchEvent), editor);
  catchEvent_->setObjectName("catchEvent");
  catchEvent_->setCheckable(true);
  catchEvent_->setToolTip(msg(Msg::MappingCatchEventHelp));
  removeEvent_ = new QPushButton(msg(Msg::MappingRemoveEvent), editor);
  removeEvent_->setObjectName("removeEvent");
  removeEvent_->setToolTip(msg(Msg::MappingRemoveEventHelp));
  actions->addWidget(relative_);
  actions->addStretch(1);
  actions->addWidget(catchEvent_);
  actions->addWidget(removeEvent_);
  form->addRow(actions);

  connect(shortcut_, &KeyEntryField::recorded, this, &EventMappingWindow::recordEdited);
  connect(relative_, &QCheckBox::toggled, this, &EventMappingWindow::recordEdited);
  connect(script_, &QLineEdit::editingFinished, this, [this] { mapping_.setScript(script_->text()); });
  connect(chooseScript_, &QPushButton::clicked, this, &EventMappingWindow::chooseScript);
  connect(catchEvent_, &QPushButton::toggled, &mapping_, &EventMapping::setCatchMode);
  connect(removeEvent_, &QPushButton::clicked, &mapping_, &EventMapping::removeSensor);
  return editor;
}

QWidget* EventMappingWindow::buildButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  const auto addButton = [&](Msg label, const char* name, std::function<void()> action) {
    auto* button = new QPushButton("&" + msg(label), row);
    button->setObjectName(name);
    connect(button, &QPushButton::clicked, this, std::move(action));
    layout->addWidget(button);
  };
  addButton(Msg::SaveButton, "save", [this] { save(); });
  layout->addStretch(1);
  addButton(Msg::UseButton, "use", [this] { close(); });
  layout->addStretch(1);
  addButton(Msg::CancelButton, "cancel", [this] { cancel(); });
  return row;
}

void EventMappingWindow::connectMapping() {
  connect(&mapping_, &EventMapping::recordChanged, this, [this](int row) {
    model_->recordChanged(row);
    if (row == mapping_.selected()) showSelected();
  });
  connect(&mapping_, &EventMapping::listRestored, this, [this] {
    model_->reload();
    mapping_.select(-1);
    showSelected();
  });
  connect(&mapping_, &EventMapping::catchModeChanged, this, [this](bool on) {
    const QSignalBlocker blocker(catchEvent_);
    catchEvent_->setChecked(on);
  });
  connect(&mapping_, &EventMapping::relativeEnabledChanged, this, [this] { showSelected(); });
}

void EventMappingWindow::open() {
  mapping_.setUp();
  model_->reload();  // events registered since the last opening show too
  mapping_.select(-1);
  showSelected();
  if (!isVisible() && parentWidget() != nullptr) {
    move(parentWidget()->frameGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  show();
  raise();
  activateWindow();
}

void EventMappingWindow::currentRowChanged() {
  const QModelIndex current = sorted_->mapToSource(table_->currentIndex());
  mapping_.select(current.isValid() ? current.row() : -1);
  showSelected();
}

void EventMappingWindow::showSelected() {
  const EventBinding* record = mapping_.selectedRecord();
  const QSignalBlocker blockShortcut(shortcut_), blockScript(script_), blockRelative(relative_);
  for (QWidget* field : std::initializer_list<QWidget*>{script_, chooseScript_, catchEvent_, removeEvent_}) {
    field->setEnabled(record != nullptr);
  }
  shortcut_->setEnabled(record != nullptr && takesShortcut(*record));
  relative_->setEnabled(record != nullptr && mapping_.relativeEnabled());
  shortcut_->setText(record ? record->keyboard : QString());
  script_->setText(record ? record->script : QString());
  relative_->setChecked(record != nullptr && record->relative != 0);
  const QString sensor = record ? EventTableModel::sensorText(*record) : QString();
  sensor_->setText(sensor.isEmpty() ? msg(Msg::MappingNothingCaught) : sensor);
}

void EventMappingWindow::recordEdited() {
  // Both read first: each change redraws the fields from the record.
  const QString shortcut = shortcut_->text();
  const bool relative = relative_->isChecked();
  mapping_.setRelative(relative);
  mapping_.setShortcut(shortcut);
}

void EventMappingWindow::chooseScript() {
  const QString path = QFileDialog::getOpenFileName(this, msg(Msg::MappingChooseScript));
  if (path.isEmpty()) return;
  script_->setText(shellWord(path));
  mapping_.setScript(script_->text());
}

void EventMappingWindow::save() {
  close();
  mapping_.save();
}

void EventMappingWindow::cancel() {
  close();
  mapping_.cancel();
}

void EventMappingWindow::closeEvent(QCloseEvent* event) {
  mapping_.setCatchMode(false);  // a closed window catches nothing
  event->accept();
}

}  // namespace gm

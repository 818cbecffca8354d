#include "plugins/ui/PanelBuilder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QVBoxLayout>
#include <QWidget>

#include "core/BoundedValue.h"
#include "widgets/ValueBinding.h"
#include "plugins/PanelModel.h"

namespace gm {
namespace {

// The plug-in's format is data, never handed to printf.
QString substituteNumber(const QString& format, int value) {
  QString text;
  bool substituted = false;
  for (int index = 0; index < format.size(); ++index) {
    const QChar c = format[index];
    if (c != '%') {
      text += c;
    } else if (format.mid(index, 2) == "%%") {
      text += '%';
      ++index;
    } else if (!substituted && (format.mid(index, 3) == "%ld" || format.mid(index, 2) == "%d")) {
      text += QString::number(value);
      index += format.mid(index, 3) == "%ld" ? 2 : 1;
      substituted = true;
    } else {
      text += c;
    }
  }
  return text;
}

QWidget* sliderCell(const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  auto* cell = new QWidget(parent);
  auto* layout = new QHBoxLayout(cell);
  layout->setContentsMargins(0, 0, 0, 0);
  auto* slider = new QSlider(Qt::Horizontal, cell);
  ValueBinding::bind(*slider, value);
  const QString format = row.format != nullptr ? QString::fromUtf8(row.format) : QString();
  auto* text = new QLabel(PanelBuilder::formatValue(row.format, value.value()), cell);
  QObject::connect(&value, &BoundedValue::valueChanged, text, [text, format](int changed) {
    text->setText(format.isNull() ? QString::number(changed) : substituteNumber(format, changed));
  });
  text->setMinimumWidth(text->fontMetrics().horizontalAdvance(PanelBuilder::formatValue(row.format, row.maximum)));
  layout->addWidget(slider, 1);
  layout->addWidget(text, 0);
  if (row.help != nullptr) slider->setToolTip(QString::fromUtf8(row.help));
  return cell;
}

void addControlRow(QGridLayout& grid, const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  const int gridRow = grid.rowCount();
  if (grid.count() == 0) {
    // The first row's weights set the columns' shares; without weights the controls take the room.
    const bool weighted = row.left_weight != 0 || row.right_weight != 0;
    grid.setColumnStretch(0, weighted ? int(row.left_weight) : 0);
    grid.setColumnStretch(1, weighted ? int(row.right_weight) : 1);
  }
  if (row.kind == GM_ROW_CHECK) {
    auto* check = new QCheckBox(QString::fromUtf8(row.label ? row.label : ""), parent);
    ValueBinding::bind(*check, value);
    if (row.help != nullptr) check->setToolTip(QString::fromUtf8(row.help));
    grid.addWidget(check, gridRow, 1);
    return;
  }
  auto* label = new QLabel(QString::fromUtf8(row.label ? row.label : ""), parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  if (row.help != nullptr) label->setToolTip(QString::fromUtf8(row.help));
  grid.addWidget(label, gridRow, 0);
  grid.addWidget(sliderCell(row, value, parent), gridRow, 1);
}

}  // namespace

QString PanelBuilder::formatValue(const char* format, int value) {
  if (format == nullptr) return QString::number(value);
  return substituteNumber(QString::fromUtf8(format), value);
}

QWidget* PanelBuilder::build(PanelModel& panel, QWidget* parent) {
  auto* widget = new QWidget(parent);
  auto* column = new QVBoxLayout(widget);
  QGridLayout* grid = nullptr;  // the two-column group the current run of control rows goes into
  for (std::uint32_t index = 0; index < panel.rowCount(); ++index) {
    const gm_panel_row& row = panel.row(index);
    BoundedValue* value = panel.valueAt(index);
    if (value != nullptr) {
      if (grid == nullptr) {
        grid = new QGridLayout;
        column->addLayout(grid);
      }
      addControlRow(*grid, row, *value, widget);
      continue;
    }
    grid = nullptr;
    if (row.kind == GM_ROW_TEXT) {
      auto* text = new QLabel(QString::fromUtf8(row.label ? row.label : ""), widget);
      text->setAlignment(Qt::AlignCenter);
      text->setWordWrap(true);
      column->addWidget(text);
    } else {
      column->addStretch(1);
    }
  }
  return widget;
}

}  // namespace gm

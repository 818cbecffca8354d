#include "plugins/ui/PanelBuilder.h"

#include <algorithm>

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

QString rowText(const char* utf8) { return QString::fromUtf8(utf8 != nullptr ? utf8 : ""); }

// A slider's value as text, sized for the widest text of its range in whatever font the style
// gives it, so a changing value neither shifts the slider nor gets cut.
class ValueLabel final : public QLabel {
 public:
  ValueLabel(const gm_panel_row& row, BoundedValue& value, QWidget* parent)
      : QLabel(parent), format_(row.format), minimum_(value.minimum()), maximum_(value.maximum()) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    showValue(value.value());
    connect(&value, &BoundedValue::valueChanged, this, &ValueLabel::showValue);
    connect(&value, &BoundedValue::displayChanged, this, &ValueLabel::showValue);
  }
  QSize minimumSizeHint() const override { return widened(QLabel::minimumSizeHint()); }
  QSize sizeHint() const override { return widened(QLabel::sizeHint()); }

 private:
  void showValue(int value) { setText(PanelBuilder::formatValue(format_, value)); }
  QSize widened(QSize size) const {
    const QFontMetrics metrics = fontMetrics();
    const int widest = std::max(metrics.horizontalAdvance(PanelBuilder::formatValue(format_, minimum_)),
                                metrics.horizontalAdvance(PanelBuilder::formatValue(format_, maximum_)));
    size.setWidth(std::max(size.width(), widest + 2 * margin()));
    return size;
  }

  const char* const format_;  // owned by the plug-in, which outlives its panel's widgets
  const int minimum_;
  const int maximum_;
};

QSlider* makeSlider(const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  auto* slider = new QSlider(Qt::Horizontal, parent);
  slider->setMinimumWidth(PanelBuilder::kMinimumSliderPixels);
  ValueBinding::bind(*slider, value);
  if (row.help != nullptr) slider->setToolTip(QString::fromUtf8(row.help));
  return slider;
}

QCheckBox* makeCheck(const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  auto* check = new QCheckBox(rowText(row.label), parent);
  ValueBinding::bind(*check, value);
  if (row.help != nullptr) check->setToolTip(QString::fromUtf8(row.help));
  return check;
}

QLabel* makeLabel(const gm_panel_row& row, QWidget* parent) {
  auto* label = new QLabel(rowText(row.label), parent);
  if (row.help != nullptr) label->setToolTip(QString::fromUtf8(row.help));
  return label;
}

void addColumnsRow(QGridLayout& grid, const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  const int gridRow = grid.rowCount();
  if (grid.count() == 0) {
    // The first row's weights set the columns' shares; without weights the controls take the room.
    const bool weighted = row.left_weight != 0 || row.right_weight != 0;
    grid.setColumnStretch(0, weighted ? int(row.left_weight) : 0);
    grid.setColumnStretch(1, weighted ? int(row.right_weight) : 1);
  }
  if (row.kind == GM_ROW_CHECK) {
    grid.addWidget(makeCheck(row, value, parent), gridRow, 1);
    return;
  }
  QLabel* label = makeLabel(row, parent);
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  grid.addWidget(label, gridRow, 0);
  grid.addWidget(makeSlider(row, value, parent), gridRow, 1);
  grid.addWidget(new ValueLabel(row, value, parent), gridRow, 2);  // a column of its own: sliders align
}

void addStackedRow(QVBoxLayout& column, const gm_panel_row& row, BoundedValue& value, QWidget* parent) {
  if (row.kind == GM_ROW_CHECK) {
    column.addWidget(makeCheck(row, value, parent));
    return;
  }
  auto* line = new QHBoxLayout;
  line->setSpacing(6);
  line->addWidget(makeLabel(row, parent), 1);
  line->addWidget(new ValueLabel(row, value, parent), 0);
  column.addLayout(line);
  column.addWidget(makeSlider(row, value, parent));
}

}  // namespace

QString PanelBuilder::formatValue(const char* format, int value) {
  if (format == nullptr) return QString::number(value);
  return substituteNumber(QString::fromUtf8(format), value);
}

QWidget* PanelBuilder::build(PanelModel& panel, QWidget* parent, Arrangement arrangement) {
  auto* widget = new QWidget(parent);
  auto* column = new QVBoxLayout(widget);
  if (arrangement == Arrangement::Stacked) {
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(1);
  }
  QGridLayout* grid = nullptr;  // the two-column group the current run of control rows goes into
  for (std::uint32_t index = 0; index < panel.rowCount(); ++index) {
    const gm_panel_row& row = panel.row(index);
    BoundedValue* value = panel.valueAt(index);
    if (value != nullptr && arrangement == Arrangement::Stacked) {
      addStackedRow(*column, row, *value, widget);
      continue;
    }
    if (value != nullptr) {
      if (grid == nullptr) {
        grid = new QGridLayout;
        column->addLayout(grid);
      }
      addColumnsRow(*grid, row, *value, widget);
      continue;
    }
    grid = nullptr;
    if (row.kind == GM_ROW_TEXT) {
      auto* text = new QLabel(rowText(row.label), widget);
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

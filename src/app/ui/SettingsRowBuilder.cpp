#include "app/ui/SettingsRowBuilder.h"

#include <cmath>

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include "core/Settings.h"
#include "widgets/ValueSlider.h"
#include "widgets/ValueText.h"

namespace gm {
namespace {

using Kind = SettingRow::Kind;
constexpr int kSwatchPixels = 16;
constexpr int kColourFieldMarginPixels = 16;
// Room for the widest value text ("-18 dB", "20000 Hz") so the slider does not jump as it moves.
constexpr int kValueTextChars = 9;

QWidget* rowOf(QWidget* parent, std::initializer_list<QWidget*> parts) {
  auto* row = new QWidget(parent);
  auto* layout = new QHBoxLayout(row);
  layout->setContentsMargins(0, 0, 0, 0);
  bool first = true;
  for (QWidget* part : parts) {
    layout->addWidget(part, first ? 1 : 0);
    first = false;
  }
  return row;
}

QToolButton* browseButton(QWidget* parent, const QString& name, Msg help) {
  auto* button = new QToolButton(parent);
  button->setObjectName(name);
  button->setText(msg(Msg::BrowseButton));
  button->setToolTip(msg(help));
  return button;
}

}  // namespace

SettingsRowBuilder::SettingsRowBuilder(Settings& settings, PathResolver resolvePath, QWidget* owner)
    : QObject(owner), settings_(settings), resolvePath_(std::move(resolvePath)), owner_(owner) {
  connect(&settings_, &Settings::changed, this, [this](const QString& id) {
    if (const auto show = shows_.constFind(id); show != shows_.constEnd()) (*show)();
  });
}

void SettingsRowBuilder::addRow(const SettingRow& row, QFormLayout& form) {
  QWidget* control = nullptr;
  switch (row.kind) {
    case Kind::Check:
      form.addRow(buildCheck(row));
      return;
    case Kind::Slider:
    case Kind::LogSlider:
      control = buildSlider(row);
      break;
    case Kind::Chooser:
      control = buildChooser(row);
      break;
    case Kind::Radio:
      control = buildRadio(row);
      break;
    case Kind::Text:
      control = buildTextField(row);
      break;
    case Kind::Path:
      control = buildPathField(row);
      break;
    case Kind::Colour:
      control = buildColourField(row);
      break;
  }
  form.addRow(msg(row.label), control);
}

void SettingsRowBuilder::follow(const QString& id, std::function<void()> show) {
  show();
  shows_.insert(id, std::move(show));
}

QWidget* SettingsRowBuilder::buildCheck(const SettingRow& row) {
  auto* box = new QCheckBox(msg(row.label), owner_);
  box->setObjectName(row.id);
  connect(box, &QCheckBox::toggled, this, [this, id = row.id](bool on) { settings_.setValue(id, on); });
  follow(row.id, [this, box, id = row.id] {
    const QSignalBlocker quiet(box);
    box->setChecked(settings_.flag(id));
  });
  return box;
}

// Frequencies sit on a logarithmic scale, so each octave gets the same travel; the other sliders
// move one unit per step.
QWidget* SettingsRowBuilder::buildSlider(const SettingRow& row) {
  const auto [minimum, maximum] = settings_.range(row.id).value_or(std::pair{0, 0});
  const bool logarithmic = row.kind == Kind::LogSlider && minimum > 0;
  auto* slider = new QSlider(Qt::Horizontal, owner_);
  slider->setObjectName(row.id);
  slider->setRange(logarithmic ? 0 : minimum, logarithmic ? ValueSlider::kLogPositions : maximum);
  auto* text = new QLabel(owner_);
  text->setObjectName(row.id + ".value");
  text->setMinimumWidth(text->fontMetrics().averageCharWidth() * kValueTextChars);
  text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto toValue = [=](int position) {
    return logarithmic ? value_text::logValueAt(double(position) / ValueSlider::kLogPositions, minimum, maximum) : position;
  };
  auto toPosition = [=](int value) {
    return logarithmic ? int(std::lround(value_text::logPositionFraction(value, minimum, maximum) * ValueSlider::kLogPositions))
                       : value;
  };
  connect(slider, &QSlider::valueChanged, this, [this, id = row.id, toValue](int position) {
    settings_.setValue(id, toValue(position));
  });
  follow(row.id, [this, slider, text, toPosition, id = row.id, format = row.format] {
    const int value = settings_.integer(id);
    text->setText(format == Msg::Count ? QString::number(value) : msg(format).arg(value));
    const QSignalBlocker quiet(slider);
    slider->setValue(toPosition(value));
  });
  return rowOf(owner_, {slider, text});
}

QWidget* SettingsRowBuilder::buildChooser(const SettingRow& row) {
  auto* chooser = new QComboBox(owner_);
  chooser->setObjectName(row.id);
  for (const auto& [text, value] : row.entries) chooser->addItem(msg(text), value);
  connect(chooser, &QComboBox::currentIndexChanged, this, [this, chooser, id = row.id](int index) {
    if (index >= 0) settings_.setValue(id, chooser->itemData(index));
  });
  follow(row.id, [this, chooser, id = row.id] {
    const QSignalBlocker quiet(chooser);
    chooser->setCurrentIndex(chooser->findData(settings_.value(id)));
  });
  return chooser;
}

QWidget* SettingsRowBuilder::buildRadio(const SettingRow& row) {
  auto* box = new QWidget(owner_);
  box->setObjectName(row.id);
  auto* column = new QVBoxLayout(box);
  column->setContentsMargins(0, 0, 0, 0);
  auto* group = new QButtonGroup(box);
  for (int index = 0; index < int(row.entries.size()); ++index) {
    auto* button = new QRadioButton(msg(row.entries[std::size_t(index)].first), box);
    button->setObjectName(row.id + "." + QString::number(index));
    group->addButton(button, index);
    column->addWidget(button);
  }
  connect(group, &QButtonGroup::idToggled, this, [this, entries = row.entries, id = row.id](int index, bool on) {
    if (on) settings_.setValue(id, entries[std::size_t(index)].second);
  });
  follow(row.id, [this, group, entries = row.entries, id = row.id] {
    const QSignalBlocker quiet(group);
    for (int index = 0; index < int(entries.size()); ++index) {
      if (entries[std::size_t(index)].second == settings_.value(id)) group->button(index)->setChecked(true);
    }
  });
  return box;
}

QWidget* SettingsRowBuilder::buildTextField(const SettingRow& row) {
  auto* field = new QLineEdit(owner_);
  field->setObjectName(row.id);
  if (row.help != Msg::Count) field->setToolTip(msg(row.help));
  connect(field, &QLineEdit::textEdited, this, [this, id = row.id](const QString& text) { settings_.setValue(id, text); });
  follow(row.id, [this, field, id = row.id] {
    if (field->text() == settings_.text(id)) return;  // keeps the cursor where the user types
    const QSignalBlocker quiet(field);
    field->setText(settings_.text(id));
  });
  return field;
}

QWidget* SettingsRowBuilder::buildPathField(const SettingRow& row) {
  QWidget* field = buildTextField(row);
  QToolButton* browse = browseButton(owner_, row.id + ".browse", Msg::BrowseDirectoryHelp);
  connect(browse, &QToolButton::clicked, this, [this, id = row.id, label = row.label] {
    const QString chosen = QFileDialog::getExistingDirectory(owner_, msg(label), resolvePath_(settings_.text(id)));
    if (!chosen.isEmpty()) settings_.setValue(id, chosen);
  });
  return rowOf(owner_, {field, browse});
}

// A "#rrggbb" text the DJ may type, and a button showing the colour that opens the colour picker.
// A text that is not yet a colour is refused by the settings; leaving the field shows the colour
// in force again.
QWidget* SettingsRowBuilder::buildColourField(const SettingRow& row) {
  auto* field = qobject_cast<QLineEdit*>(buildTextField(row));
  QToolButton* pick = browseButton(owner_, row.id + ".pick", Msg::ChooseColourHelp);
  pick->setText(QString());
  connect(field, &QLineEdit::editingFinished, this, [this, field, id = row.id] {
    const QSignalBlocker quiet(field);
    field->setText(settings_.text(id));
  });
  connect(pick, &QToolButton::clicked, this, [this, id = row.id, label = row.label] {
    const QColor chosen = QColorDialog::getColor(QColor(settings_.text(id)), owner_, msg(label));
    if (chosen.isValid()) settings_.setValue(id, chosen.name());
  });
  auto showSwatch = [this, pick, id = row.id] {
    QPixmap swatch(kSwatchPixels, kSwatchPixels);
    swatch.fill(QColor(settings_.text(id)));
    pick->setIcon(QIcon(swatch));
  };
  const std::function<void()> showText = shows_.value(row.id);
  follow(row.id, [showText, showSwatch] {
    showText();
    showSwatch();
  });
  field->setMaximumWidth(field->fontMetrics().horizontalAdvance(QStringLiteral("#WWWWWW")) + kColourFieldMarginPixels);
  QWidget* colourRow = rowOf(owner_, {field, pick});
  static_cast<QHBoxLayout*>(colourRow->layout())->addStretch(1);
  return colourRow;
}

}  // namespace gm

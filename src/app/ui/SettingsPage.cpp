#include "app/ui/SettingsPage.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace gm {

SettingsPage::SettingsPage(const SettingsPageLayout& layout, Settings& settings,
                           SettingsRowBuilder::PathResolver resolvePath, QWidget* parent)
    : QWidget(parent) {
  auto* builder = new SettingsRowBuilder(settings, std::move(resolvePath), this);
  auto* column = new QVBoxLayout(this);
  header_ = new QVBoxLayout;
  header_->setContentsMargins(0, 0, 0, 0);
  column->addLayout(header_);
  for (const SettingsSection& section : layout.sections) {
    QWidget* holder = this;
    if (section.title != Msg::Count) {
      holder = new QGroupBox(msg(section.title), this);
      column->addWidget(holder);
    }
    auto* form = new QFormLayout;
    // Sliders and fields take the width the page has, on every style.
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    for (const SettingRow& row : section.rows) builder->addRow(row, *form);
    if (holder == this) {
      column->addLayout(form);
    } else {
      holder->setLayout(form);
    }
  }
  column->addStretch(1);
}

}  // namespace gm

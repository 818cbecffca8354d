#include "plugins/PanelModel.h"

#include "plugins/PluginObject.h"

namespace gm {

bool PanelModel::wellFormed(const gm_panel& description) {
  if (description.rows == nullptr || description.row_count > GM_PANEL_MAX_ROWS) return false;
  for (std::uint32_t index = 0;; ++index) {
    const std::uint32_t kind = description.rows[index].kind;
    if (kind == GM_ROW_END) return index == description.row_count;
    if (kind > GM_ROW_SLIDER || index == description.row_count) return false;
  }
}

PanelModel::PanelModel(const gm_panel& description, PluginObject& plugin) : description_(description) {
  const std::uint32_t count = wellFormed(description) ? description.row_count : 0;
  rows_.resize(count);
  for (std::uint32_t index = 0; index < count; ++index) {
    const gm_panel_row& row = description.rows[index];
    if (row.kind != GM_ROW_CHECK && row.kind != GM_ROW_SLIDER) continue;
    const int minimum = row.kind == GM_ROW_CHECK ? 0 : row.minimum;
    const int maximum = row.kind == GM_ROW_CHECK ? 1 : std::max(row.minimum, row.maximum);
    std::int32_t initial = row.initial;
    if (row.initial_from == GM_INITIAL_CURRENT) initial = plugin.integerAttribute(row.attribute).value_or(initial);
    if (row.kind == GM_ROW_CHECK) initial = initial != 0 ? 1 : 0;
    auto value = std::make_unique<BoundedValue>(minimum, maximum, initial);
    const std::uint32_t attribute = row.attribute;
    QObject::connect(value.get(), &BoundedValue::valueChanged, value.get(),
                     [&plugin, attribute](int changed) { plugin.setAttribute(attribute, changed); });
    rows_[index] = std::move(value);
  }
}

BoundedValue* PanelModel::valueFor(std::uint32_t attribute) const {
  for (std::uint32_t index = 0; index < rows_.size(); ++index) {
    if (rows_[index] && description_.rows[index].attribute == attribute) return rows_[index].get();
  }
  return nullptr;
}

bool PanelModel::moveControl(std::uint32_t attribute, std::int32_t value) {
  BoundedValue* control = valueFor(attribute);
  if (control == nullptr) return false;
  control->setValue(value);
  return true;
}

}  // namespace gm

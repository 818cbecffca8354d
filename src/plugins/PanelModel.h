#pragma once
// The model behind one of a plug-in's declarative panels: a BoundedValue for every check mark and
// slider, whose changes set the plug-in's attribute. Views bind widgets to these values; the
// plug-in's "move control" moves them, which sets the attribute in turn.

#include <cstdint>
#include <memory>
#include <vector>

#include "core/BoundedValue.h"
#include "groovemangler_plugin.h"

namespace gm {

class PluginObject;

class PanelModel {
 public:
  // [main-thread] The description stays owned by the plug-in and valid while the instance lives.
  // Only a well-formed description is taken (see wellFormed()).
  PanelModel(const gm_panel& description, PluginObject& plugin);

  // Whether the rows end where the description says, within the limit, with known kinds only. Reads
  // no row past the first end row, so a count larger than the real rows is caught without reading
  // beyond them.
  static bool wellFormed(const gm_panel& description);

  std::uint32_t rowCount() const { return std::uint32_t(rows_.size()); }
  const gm_panel_row& row(std::uint32_t index) const { return description_.rows[index]; }
  // The value of a check mark or slider row; nullptr for other rows.
  BoundedValue* valueAt(std::uint32_t index) const { return rows_[index].get(); }
  // The first control that sets `attribute`; nullptr when none.
  BoundedValue* valueFor(std::uint32_t attribute) const;

  // [main-thread] Moves the control that sets `attribute` (clamped to its range). False when the
  // panel has no such control.
  bool moveControl(std::uint32_t attribute, std::int32_t value);

 private:
  const gm_panel& description_;
  std::vector<std::unique_ptr<BoundedValue>> rows_;
};

}  // namespace gm

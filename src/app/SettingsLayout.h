#pragma once
// Where every kept setting appears in the settings window: the pages in order, their groups, and
// each row's label and kind of control. The window builds its pages from this table, and the
// start-up notice names damaged settings by the labels the user sees there.

#include <vector>

#include <QString>
#include <QVariant>

#include "core/CatalogTable.h"

namespace gm {

struct SettingRow {
  enum class Kind { Check, Slider, LogSlider, Chooser, Radio, Path, Text, Colour };
  QString id;
  Msg label;
  Kind kind;
  // A slider's value text ("%1 Hz"); Msg::Count shows the bare number.
  Msg format = Msg::Count;
  // A chooser's or radio's entries: the text shown and the value stored.
  std::vector<std::pair<Msg, QVariant>> entries = {};
  Msg help = Msg::Count;  // tooltip; Msg::Count for none
};

struct SettingsSection {
  Msg title;  // the group's frame title; Msg::Count for rows outside any group
  std::vector<SettingRow> rows;
};

struct SettingsPageLayout {
  // Pages whose content is not a list of rows have widgets of their own.
  enum class Content { Rows, AudioOutputs, BeatDetectors, Filters };
  Msg title;
  Content content;
  std::vector<SettingsSection> sections = {};
};

// Every page, in the order the page list shows them.
const std::vector<SettingsPageLayout>& settingsPages();
// The setting as a notice names it: its label without the colon, after its group's title when the
// label alone is ambiguous ("Hi Band Frequency"). The id itself for a setting no page shows.
QString settingDisplayName(const QString& id);

}  // namespace gm

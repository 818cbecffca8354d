#pragma once
// Builds the settings window's rows (check boxes, sliders with their value text, choosers, radio
// buttons, path, text and colour fields) from their layout entries. Every control is named after
// its setting's id, writes each change straight into the settings, and shows the setting again
// whenever it changes from elsewhere (a "Cancel", a load).

#include <functional>

#include <QHash>
#include <QObject>

#include "app/SettingsLayout.h"

class QFormLayout;
class QWidget;

namespace gm {

class Settings;

class SettingsRowBuilder : public QObject {
  Q_OBJECT
 public:
  // Turns a stored path ("PROGDIR:Recordings") into the directory a chooser opens at.
  using PathResolver = std::function<QString(const QString& storedPath)>;

  // [main-thread] The builder lives as long as `owner`, whose rows it keeps up to date.
  SettingsRowBuilder(Settings& settings, PathResolver resolvePath, QWidget* owner);

  // [main-thread] Adds the row's control, with its label unless the control carries it, to `form`.
  void addRow(const SettingRow& row, QFormLayout& form);

 private:
  QWidget* buildCheck(const SettingRow& row);
  QWidget* buildSlider(const SettingRow& row);
  QWidget* buildChooser(const SettingRow& row);
  QWidget* buildRadio(const SettingRow& row);
  QWidget* buildTextField(const SettingRow& row);
  QWidget* buildPathField(const SettingRow& row);
  QWidget* buildColourField(const SettingRow& row);
  // Runs `show` now and after every change of the setting.
  void follow(const QString& id, std::function<void()> show);

  Settings& settings_;
  PathResolver resolvePath_;
  QWidget* owner_;
  QHash<QString, std::function<void()>> shows_;
};

}  // namespace gm

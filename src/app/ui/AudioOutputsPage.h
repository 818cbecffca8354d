#pragma once
// The "Audio Outputs" settings page: the speakers' and headphones' devices, from the devices there
// are when the page is shown.

#include <string>
#include <vector>

#include <QWidget>

class QComboBox;

namespace gm {

class AudioBackend;
class Settings;

class AudioOutputsPage : public QWidget {
  Q_OBJECT
 public:
  AudioOutputsPage(Settings& settings, AudioBackend& backend, QWidget* parent = nullptr);

  // [main-thread] Lists the devices there are now: one lost while playing may be back.
  void refreshDevices();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  QComboBox* buildChooser(const QString& id, const char* name);
  void fillChooser(QComboBox* chooser, const std::vector<std::string>& devices, bool withDisabled);
  void showSetting(const QString& id);

  Settings& settings_;
  AudioBackend& backend_;
  QComboBox* speakers_ = nullptr;
  QComboBox* headphones_ = nullptr;
};

}  // namespace gm

#pragma once
// The "Audio Outputs" settings page: the speakers' and headphones' devices and the shared-device
// warning switch.

#include <QWidget>

class QCheckBox;
class QComboBox;

namespace gm {

class AudioBackend;
class Settings;

class AudioOutputsPage : public QWidget {
  Q_OBJECT
 public:
  AudioOutputsPage(Settings& settings, AudioBackend& backend, QWidget* parent = nullptr);

 private:
  QComboBox* buildChooser(const QString& id, bool withDisabled, const char* name);
  void showSetting(const QString& id);

  Settings& settings_;
  AudioBackend& backend_;
  QComboBox* speakers_ = nullptr;
  QComboBox* headphones_ = nullptr;
  QCheckBox* noWarning_ = nullptr;
};

}  // namespace gm

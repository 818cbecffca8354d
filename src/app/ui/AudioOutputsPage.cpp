#include "app/ui/AudioOutputsPage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QSignalBlocker>

#include "app/Application.h"
#include "core/CatalogTable.h"
#include "core/Settings.h"
#include "audio/AudioBackend.h"

namespace gm {

AudioOutputsPage::AudioOutputsPage(Settings& settings, AudioBackend& backend, QWidget* parent)
    : QWidget(parent), settings_(settings), backend_(backend) {
  speakers_ = buildChooser(SettingId::kSpeakers, "AHIS");
  speakers_->setToolTip(msg(Msg::SpeakersHelp));
  headphones_ = buildChooser(SettingId::kHeadphones, "AHIL");
  headphones_->setToolTip(msg(Msg::HeadphonesHelp));

  auto* form = new QFormLayout(this);
  form->addRow(msg(Msg::SpeakersLabel), speakers_);
  form->addRow(msg(Msg::HeadphonesLabel), headphones_);
  connect(&settings_, &Settings::changed, this, &AudioOutputsPage::showSetting);
  refreshDevices();
}

void AudioOutputsPage::showEvent(QShowEvent* event) {
  refreshDevices();
  QWidget::showEvent(event);
}

void AudioOutputsPage::refreshDevices() {
  const std::vector<std::string> devices = backend_.outputDevices();
  fillChooser(speakers_, devices, false);
  fillChooser(headphones_, devices, true);
  showSetting(SettingId::kSpeakers);
  showSetting(SettingId::kHeadphones);
}

QComboBox* AudioOutputsPage::buildChooser(const QString& id, const char* name) {
  auto* chooser = new QComboBox(this);
  chooser->setObjectName(name);
  connect(chooser, &QComboBox::currentIndexChanged, this,
          [this, chooser, id](int index) { if (index >= 0) settings_.setValue(id, chooser->itemData(index)); });
  return chooser;
}

void AudioOutputsPage::fillChooser(QComboBox* chooser, const std::vector<std::string>& devices, bool withDisabled) {
  // Refilling is not the user's choice: the setting is shown again afterwards, unchanged.
  const QSignalBlocker quiet(chooser);
  chooser->clear();
  for (const std::string& device : devices) {
    chooser->addItem(QString::fromStdString(device), QString::fromStdString(device));
  }
  chooser->addItem(msg(Msg::NullOutput), QString(kNullOutputName));
  if (withDisabled) chooser->addItem(msg(Msg::Disabled), QString(kHeadphonesDisabled));
}

void AudioOutputsPage::showSetting(const QString& id) {
  QComboBox* chooser = id == SettingId::kSpeakers ? speakers_ : id == SettingId::kHeadphones ? headphones_ : nullptr;
  if (!chooser) return;
  const QString device = settings_.text(id);
  int index = chooser->findData(device);
  if (index < 0) {
    // A saved device that is not plugged in now stays selectable, so looking at the page never
    // changes the setting.
    chooser->addItem(device, device);
    index = chooser->count() - 1;
  }
  const QSignalBlocker quiet(chooser);
  chooser->setCurrentIndex(index);
}

}  // namespace gm

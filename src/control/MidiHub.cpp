#include "control/MidiHub.h"

#include "control/EventDispatcher.h"
#include "control/EventMapping.h"
#include "core/CatalogTable.h"

namespace gm {

MidiHub::MidiHub(EventMapping& mapping, EventDispatcher& dispatcher, std::function<void(const QString&)> report,
                 QObject* parent)
    : QObject(parent),
      mapping_(mapping),
      dispatcher_(dispatcher),
      report_(std::move(report)),
      feedback_(mapping.events(), [this](const QString& port, const MidiMessage& message) {
        if (source_) source_->send(port, message);
      }) {
  lights_.setInterval(kLightsIntervalMs);
  connect(&lights_, &QTimer::timeout, this, [this] { feedback_.update(); });
}

MidiHub::~MidiHub() = default;

void MidiHub::start(std::unique_ptr<MidiSource> source) {
  source_ = std::move(source);
  source_->start({[this](const QString& port, const MidiMessage& received, MidiSource::Clock::time_point) {
                    message(port, received);
                  },
                  [this](const QString& port) { portAdded(port); },
                  [this](const QString& port) { portRemoved(port); },
                  [this](const QString& text) { report_(text); }});
  lights_.start();
}

void MidiHub::message(const QString& port, const MidiMessage& message) {
  for (const MidiReading& reading : decoder_.decode(port, message)) mapping_.midiReading(reading);
}

void MidiHub::portAdded(const QString& port) {
  feedback_.forgetPort(port);  // its lights are sent afresh
  report_(msg(Msg::StatusMidiConnected).arg(port));
}

void MidiHub::portRemoved(const QString& port) {
  decoder_.forgetPort(port);
  dispatcher_.midi().forgetPort(port);
  mapping_.forgetMidiPort(port);
  feedback_.forgetPort(port);
  report_(msg(Msg::StatusMidiDisconnected).arg(port));
}

}  // namespace gm

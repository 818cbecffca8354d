#include "app/AppEvents.h"

#include <QFileInfo>

#include "app/Application.h"
#include "app/DefaultShortcuts.h"
#include "control/EvdevSensorSource.h"
#include "control/EventMappingFile.h"
#include "control/MidiSequencerSource.h"
#include "core/CatalogTable.h"
#include "library/MediaPanel.h"
#include "recorder/Recorder.h"

namespace gm {

AppEvents::AppEvents(Application& app)
    : app_(app),
      dispatcher_(app.events(), scripts_),
      mapping_(app.events(), dispatcher_, app.directories().resolve(EventMappingFile::kName)),
      midi_(mapping_, dispatcher_, [&app](const QString& text) { app.status().show(text); }),
      waveformA_(app.deck(Application::kDeckA)),
      waveformB_(app.deck(Application::kDeckB)),
      equalizerA_(app.mixerChannel(Application::kDeckA)),
      equalizerB_(app.mixerChannel(Application::kDeckB)),
      controllerA_(app.deck(Application::kDeckA), app.deckControls(Application::kDeckA)),
      controllerB_(app.deck(Application::kDeckB), app.deckControls(Application::kDeckB)) {
  mapping_.setReporter([this](const QString& text) { app_.status().show(text); });
  addMixerEvents();
}

AppEvents::~AppEvents() = default;

void AppEvents::addMixerEvents() {
  BoundedValue& crossFader = app_.crossFader();
  mixer_.addAnalog(msg(Msg::EventCrossFader), kCrossFader, crossFader);
  mixer_.addOnRelease(msg(Msg::EventCrossFaderLeft), EventType::Button, kCrossFaderLeft,
                      [&crossFader] { crossFader.setValue(crossFader.value() - kCrossFaderStep); });
  mixer_.addOnRelease(msg(Msg::EventCrossFaderRight), EventType::Button, kCrossFaderRight,
                      [&crossFader] { crossFader.setValue(crossFader.value() + kCrossFaderStep); });
  mixer_.addOnRelease(msg(Msg::EventCrossFaderCentre), EventType::Button, kCrossFaderCentre,
                      [&crossFader] { crossFader.setValue(crossFader.initial()); });
}

void AppEvents::registerAll() {
  EventList& events = app_.events();
  mixer_.registerWith(events, msg(Msg::ZoneMixer));
  waveformA_.registerWith(events, msg(Msg::ZoneWaveformA));
  waveformB_.registerWith(events, msg(Msg::ZoneWaveformB));
  app_.media().registerEvents(events);
  equalizerA_.registerWith(events, msg(Msg::ZoneEqualizerA));
  equalizerB_.registerWith(events, msg(Msg::ZoneEqualizerB));
  app_.filterRack(Application::kDeckA).registerEvents(events);
  app_.filterRack(Application::kDeckB).registerEvents(events);
  app_.recorder().registerEvents(events);
  controllerA_.registerWith(events, msg(Msg::ZoneControllerA));
  controllerB_.registerWith(events, msg(Msg::ZoneControllerB));
}

void AppEvents::start(std::unique_ptr<SensorSource> sensors, std::unique_ptr<MidiSource> midi) {
  loadMapping();
  sensors_ = sensors ? std::move(sensors) : std::make_unique<EvdevSensorSource>();
  sensors_->start({[this](const SensorRecord& sensor, double value) { mapping_.sensorReading(sensor, value); },
                   nullptr});
  midi_.start(midi ? std::move(midi) : std::make_unique<MidiSequencerSource>());
}

void AppEvents::loadMapping() {
  const QString& path = mapping_.mappingPath();
  if (QFileInfo::exists(path)) {
    EventMappingFile::load(path, app_.events());
  } else {
    DefaultShortcuts::apply(app_.events());
  }
}

}  // namespace gm

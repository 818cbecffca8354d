#pragma once
// The program's side of its MIDI controllers: messages from the source are decoded into readings
// and handed to the event mapping (which catches or fires them), ports that come and go are told in
// the status line, and the controllers' lights are brought up to date every tick.

#include <functional>
#include <memory>

#include <QObject>
#include <QTimer>

#include "control/MidiDecoder.h"
#include "control/MidiFeedback.h"
#include "control/MidiSource.h"

namespace gm {

class EventDispatcher;
class EventMapping;

class MidiHub : public QObject {
  Q_OBJECT
 public:
  static constexpr int kLightsIntervalMs = 25;

  // `report` shows a status text.
  MidiHub(EventMapping& mapping, EventDispatcher& dispatcher, std::function<void(const QString&)> report,
          QObject* parent = nullptr);
  ~MidiHub() override;

  // [main-thread] Starts `source` and keeps it.
  void start(std::unique_ptr<MidiSource> source);

  // [main-thread] What the source hands over.
  void message(const QString& port, const MidiMessage& message);
  void portAdded(const QString& port);
  void portRemoved(const QString& port);

  MidiFeedback& feedback() { return feedback_; }

 private:
  EventMapping& mapping_;
  EventDispatcher& dispatcher_;
  std::function<void(const QString&)> report_;
  MidiDecoder decoder_;
  MidiFeedback feedback_;
  std::unique_ptr<MidiSource> source_;
  QTimer lights_;
};

}  // namespace gm

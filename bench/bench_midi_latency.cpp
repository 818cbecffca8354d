// MIDI latency: the time from a message's arrival (stamped where the sequencer's reader thread
// stamps it, just before it is handed over) to the change of the model it drives, with both decks
// playing on the null output and the program's 25 ms tick running. A thread injects messages every
// 2 ms through the same inbox the sequencer's reader uses: cross-fader moves (a 7-bit control),
// pitch fader moves (a 14-bit pair, which moves on its fine half) and loop toggles (a note on and
// off). The reference, measured in the same run: the same model changes posted from a thread to
// the main thread as Qt's queued calls, with no MIDI in between.
//
// Usage: bench_midi_latency [MESSAGES]

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include <QCoreApplication>
#include <QFile>
#include <QThread>
#include <QTimer>

#include "BenchDecks.h"
#include "app/AppEvents.h"
#include "BenchProgram.h"
#include "app/Application.h"
#include "control/EventList.h"
#include "control/MidiInbox.h"
#include "control/MidiSequencerSource.h"
#include "tracks/DeckControls.h"
#include "tracks/TrackEntry.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kInterval = std::chrono::milliseconds(2);
const QString kPort = "Bench MIDI 1";

double percentile(std::vector<double> values, double share) {
  if (values.empty()) return 0;
  std::sort(values.begin(), values.end());
  return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

void print(const char* what, const std::vector<double>& latenciesUs, int sent) {
  std::printf("%-44s median %6.1f us, 99th percentile %6.1f us, worst %7.1f us (%zu changes of %d sent)\n", what,
              percentile(latenciesUs, 0.5), percentile(latenciesUs, 0.99), percentile(latenciesUs, 1.0),
              latenciesUs.size(), sent);
}

gm::EventBinding* find(gm::EventList& events, const QString& zone, const QString& name) {
  for (gm::EventBinding& record : events.records()) {
    if (record.zone == zone && record.name == name) return &record;
  }
  return nullptr;
}

// Runs the event loop until `done` holds.
void runUntil(const std::atomic<bool>& done) {
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&done] {
    if (done) QCoreApplication::quit();
  });
  poll.start(5);
  QCoreApplication::exec();
}

bool loadAndPlay(gm::Application& app, const QString& dir) {
  for (int deck : {gm::Application::kDeckA, gm::Application::kDeckB}) {
    const QString path = gm::bench::writeSyntheticTrack(dir, unsigned(deck));
    if (path.isEmpty() || !app.deck(deck).loadEntry(gm::TrackEntry::fromPath(path))) return false;
    while (app.deck(deck).busy()) {
      QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
      QThread::msleep(1);
    }
    if (!app.deck(deck).play()) return false;
  }
  return true;
}

// The i-th message of the stream; every one changes its model.
std::vector<gm::MidiMessage> messagesFor(int i) {
  const int high = (i / 3) % 2 == 0 ? 127 : 0;
  switch (i % 3) {
    case 0: return {gm::MidiMessage::control(0, 7, high)};
    case 1: return {gm::MidiMessage::control(0, 0, high), gm::MidiMessage::control(0, 32, 100 - high / 2)};
    default: return {gm::MidiMessage::noteOn(0, 36, 127), gm::MidiMessage::noteOff(0, 36)};
  }
}

}  // namespace

int main(int argc, char** argv) {
  const int messages = argc > 1 ? std::max(3, std::atoi(argv[1])) : 3000;
  BenchProgram program(argc, argv);
  gm::Application& app = program.app();
  if (!app.create() || !loadAndPlay(app, program.rootPath())) {
    std::fprintf(stderr, "bench_midi_latency: the program did not start with two playing decks\n");
    return 1;
  }
  gm::EventList& events = app.events();
  gm::EventBinding* crossFader = find(events, "Mixer", "Cross Fader");
  gm::EventBinding* pitch = find(events, "Controller A", "Pitch");
  gm::EventBinding* loop = find(events, "Controller B", "Loop 4");
  if (!crossFader || !pitch || !loop) return 1;
  crossFader->midi.control = {kPort, 0, gm::MidiControlKind::Control, 7};
  pitch->midi.control = {kPort, 0, gm::MidiControlKind::Control14, 0};
  loop->midi.control = {kPort, 0, gm::MidiControlKind::Note, 36};
  gm::BoundedValue& fader = app.crossFader();
  gm::BoundedValue& pitchSlider = app.deckControls(gm::Application::kDeckA).pitchSlider();
  gm::BoundedValue& loopButton = app.deckControls(gm::Application::kDeckB).loopButton(4);

  // Each model change is timed from the arrival of the message being handled.
  Clock::time_point arrival;
  std::vector<double> latenciesUs;
  for (gm::BoundedValue* model : {&fader, &pitchSlider, &loopButton}) {
    QObject::connect(model, &gm::BoundedValue::valueChanged, [&] {
      latenciesUs.push_back(std::chrono::duration<double, std::micro>(Clock::now() - arrival).count());
    });
  }

  // Reference: Qt's own hand-off of the same changes, no MIDI.
  std::atomic<bool> done{false};
  QObject receiver;
  std::thread poster([&] {
    for (int i = 0; i < messages; ++i) {
      std::this_thread::sleep_for(kInterval);
      const Clock::time_point stamped = Clock::now();
      const int high = (i / 3) % 2 == 0 ? 1 : 0;
      QMetaObject::invokeMethod(&receiver, [&, stamped, high, i] {
        arrival = stamped;
        if (i % 3 == 0) fader.setValue(high ? fader.maximum() : fader.minimum());
        if (i % 3 == 1) pitchSlider.setValue(high ? pitchSlider.maximum() : pitchSlider.minimum());
        if (i % 3 == 2) loopButton.setValue(1 - loopButton.value());
      }, Qt::QueuedConnection);
    }
    done = true;
  });
  runUntil(done);
  poster.join();
  QCoreApplication::processEvents();
  const bool bothPlaying = app.deck(gm::Application::kDeckA).playing() && app.deck(gm::Application::kDeckB).playing();
  print("reference: queued call to the main thread", latenciesUs, messages);

  // MIDI: the sequencer reader's inbox, decoding, dispatch, the event's action.
  latenciesUs.clear();
  done = false;
  gm::MidiHub& hub = app.appEvents().midi();
  gm::MidiInbox inbox(gm::MidiSequencerSource::kInboxCapacity, [&](const gm::MidiInbox::Entry& entry) {
    arrival = entry.arrival;
    hub.message(kPort, entry.message);
  });
  std::thread injector([&] {
    for (int i = 0; i < messages; ++i) {
      std::this_thread::sleep_for(kInterval);
      for (const gm::MidiMessage& message : messagesFor(i)) inbox.push({0x1400, message, Clock::now(), false});
    }
    done = true;
  });
  runUntil(done);
  injector.join();
  inbox.drain();
  print("MIDI message to model change", latenciesUs, messages);
  std::printf("both decks playing throughout: %s; messages dropped: %llu\n",
              bothPlaying && app.deck(gm::Application::kDeckA).playing() ? "yes" : "no",
              static_cast<unsigned long long>(inbox.takeDropped()));
  return 0;
}

#include "control/MidiSequencerSource.h"

#include <alsa/asoundlib.h>
#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include "core/CatalogTable.h"

namespace gm {
namespace {

constexpr unsigned kReadable = SND_SEQ_PORT_CAP_READ | SND_SEQ_PORT_CAP_SUBS_READ;
constexpr unsigned kWritable = SND_SEQ_PORT_CAP_WRITE;
// The kernel's loop-back client echoes what is sent to it: as a controller it would feed the
// lights back in as presses.
constexpr const char* kLoopbackClient = "Midi Through";

std::uint32_t addressOf(int client, int port) { return std::uint32_t(client) << 8 | std::uint32_t(port); }

// ALSA would print its own line about a missing sequencer; the status line already tells the user.
void ignoreAlsaMessage(const char* /*file*/, int /*line*/, const char* /*function*/, int /*err*/,
                       const char* /*format*/, ...) {}

}  // namespace

MidiSequencerSource::MidiSequencerSource() = default;

MidiSequencerSource::~MidiSequencerSource() {
  if (reader_.joinable()) {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(stop_, &one, sizeof one);
    reader_.join();
  }
  if (stop_ >= 0) close(stop_);
  if (input_) snd_seq_close(input_);
  if (control_) snd_seq_close(control_);
}

void MidiSequencerSource::start(Handlers handlers) {
  handlers_ = std::move(handlers);
  if (!open()) return;
  inbox_ = std::make_unique<MidiInbox>(kInboxCapacity, [this](const MidiInbox::Entry& entry) { deliver(entry); });
  rescan();
  reader_ = std::thread([this] { readLoop(); });
}

bool MidiSequencerSource::open() {
  snd_lib_error_set_handler(&ignoreAlsaMessage);
  int error = snd_seq_open(&input_, "default", SND_SEQ_OPEN_INPUT, SND_SEQ_NONBLOCK);
  if (error >= 0) error = snd_seq_open(&control_, "default", SND_SEQ_OPEN_OUTPUT, SND_SEQ_NONBLOCK);
  if (error >= 0) {
    snd_seq_set_client_name(input_, "GrooveMangler");
    snd_seq_set_client_name(control_, "GrooveMangler Lights");
    inputClient_ = snd_seq_client_id(input_);
    controlClient_ = snd_seq_client_id(control_);
    inputPort_ = snd_seq_create_simple_port(input_, "Controllers", SND_SEQ_PORT_CAP_WRITE | SND_SEQ_PORT_CAP_SUBS_WRITE,
                                            SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    outputPort_ = snd_seq_create_simple_port(control_, "Lights", kReadable,
                                             SND_SEQ_PORT_TYPE_MIDI_GENERIC | SND_SEQ_PORT_TYPE_APPLICATION);
    error = std::min(inputPort_, outputPort_);
  }
  // Ports that come and go are announced by the system client.
  if (error >= 0) error = snd_seq_connect_from(input_, inputPort_, SND_SEQ_CLIENT_SYSTEM, SND_SEQ_PORT_SYSTEM_ANNOUNCE);
  if (error >= 0) {
    stop_ = eventfd(0, EFD_CLOEXEC);
    if (stop_ < 0) error = -errno;
  }
  if (error >= 0) return true;
  if (handlers_.status) handlers_.status(msg(Msg::StatusMidiUnavailable).arg(QString::fromLocal8Bit(snd_strerror(error))));
  return false;
}

std::vector<MidiPortInfo> MidiSequencerSource::listPorts() const {
  std::vector<MidiPortInfo> ports;
  snd_seq_client_info_t* client = nullptr;
  snd_seq_port_info_t* port = nullptr;
  snd_seq_client_info_alloca(&client);
  snd_seq_port_info_alloca(&port);
  snd_seq_client_info_set_client(client, -1);
  while (snd_seq_query_next_client(control_, client) >= 0) {
    const int id = snd_seq_client_info_get_client(client);
    const QString clientName = QString::fromUtf8(snd_seq_client_info_get_name(client));
    if (id == SND_SEQ_CLIENT_SYSTEM || id == inputClient_ || id == controlClient_ || clientName == kLoopbackClient) continue;
    std::vector<MidiPortInfo> inputs;
    std::optional<std::uint32_t> output;
    snd_seq_port_info_set_client(port, id);
    snd_seq_port_info_set_port(port, -1);
    while (snd_seq_query_next_port(control_, port) >= 0) {
      if ((snd_seq_port_info_get_type(port) & SND_SEQ_PORT_TYPE_MIDI_GENERIC) == 0) continue;
      const unsigned capability = snd_seq_port_info_get_capability(port);
      const std::uint32_t address = addressOf(id, snd_seq_port_info_get_port(port));
      if ((capability & kWritable) == kWritable && !output) output = address;
      if ((capability & kReadable) == kReadable) {
        inputs.push_back({address, clientName, QString::fromUtf8(snd_seq_port_info_get_name(port)), std::nullopt});
      }
    }
    for (MidiPortInfo& input : inputs) input.output = output;
    ports.insert(ports.end(), inputs.begin(), inputs.end());
  }
  return ports;
}

void MidiSequencerSource::connectPort(std::uint32_t address) {
  snd_seq_port_subscribe_t* subscription = nullptr;
  snd_seq_port_subscribe_alloca(&subscription);
  const snd_seq_addr_t sender{std::uint8_t(address >> 8), std::uint8_t(address & 0xFF)};
  const snd_seq_addr_t destination{std::uint8_t(inputClient_), std::uint8_t(inputPort_)};
  snd_seq_port_subscribe_set_sender(subscription, &sender);
  snd_seq_port_subscribe_set_dest(subscription, &destination);
  snd_seq_subscribe_port(control_, subscription);  // already connected, or refused: nothing to do
}

void MidiSequencerSource::rescan() {
  const MidiPortList::Changes changes = ports_.update(listPorts());
  for (const QString& name : changes.removed) {
    if (handlers_.portRemoved) handlers_.portRemoved(name);
  }
  for (const QString& name : changes.added) {
    connectPort(ports_.byName(name)->info.address);
    if (handlers_.portAdded) handlers_.portAdded(name);
  }
}

void MidiSequencerSource::deliver(const MidiInbox::Entry& entry) {
  if (const std::uint64_t lost = inbox_->takeDropped(); lost > 0 && handlers_.status) {
    handlers_.status(msg(Msg::StatusMidiLost).arg(lost));
  }
  if (entry.portsChanged) {
    rescan();
    return;
  }
  const MidiPortList::Port* port = ports_.byAddress(entry.sender);
  if (port && handlers_.message) handlers_.message(port->name, entry.message, entry.arrival);
}

void MidiSequencerSource::send(const QString& port, const MidiMessage& message) {
  const MidiPortList::Port* known = control_ ? ports_.byName(port) : nullptr;
  if (!known || !known->info.output) return;
  snd_seq_event_t event;
  snd_seq_ev_clear(&event);
  snd_seq_ev_set_source(&event, outputPort_);
  snd_seq_ev_set_dest(&event, int(*known->info.output >> 8), int(*known->info.output & 0xFF));
  snd_seq_ev_set_direct(&event);
  if (message.kind() == MidiMessage::kNoteOn) {
    snd_seq_ev_set_noteon(&event, message.channel(), message.data1, message.data2);
  } else if (message.kind() == MidiMessage::kControlChange) {
    snd_seq_ev_set_controller(&event, message.channel(), message.data1, message.data2);
  } else {
    return;
  }
  snd_seq_event_output_direct(control_, &event);  // non-blocking: a light lost to a full queue stays lost
}

void MidiSequencerSource::readLoop() {
  pthread_setname_np(pthread_self(), "GM MIDI");
  const int count = snd_seq_poll_descriptors_count(input_, POLLIN);
  std::vector<pollfd> descriptors(std::size_t(count) + 1);
  snd_seq_poll_descriptors(input_, descriptors.data(), unsigned(count), POLLIN);
  descriptors[std::size_t(count)] = {stop_, POLLIN, 0};
  for (;;) {
    if (poll(descriptors.data(), descriptors.size(), -1) < 0 && errno != EINTR) return;
    if (descriptors[std::size_t(count)].revents != 0) return;
    snd_seq_event_t* event = nullptr;
    int result = 0;
    while ((result = snd_seq_event_input(input_, &event)) >= 0 || result == -ENOSPC) {
      if (event && result >= 0) take(*event);
    }
  }
}

void MidiSequencerSource::take(const snd_seq_event& event) {
  const std::uint32_t sender = addressOf(event.source.client, event.source.port);
  switch (event.type) {
    case SND_SEQ_EVENT_NOTEON:
      push(sender, MidiMessage::noteOn(event.data.note.channel, event.data.note.note, event.data.note.velocity), false);
      break;
    case SND_SEQ_EVENT_NOTEOFF:
      push(sender, MidiMessage::noteOff(event.data.note.channel, event.data.note.note), false);
      break;
    case SND_SEQ_EVENT_CONTROLLER:
      push(sender, MidiMessage::control(event.data.control.channel, int(event.data.control.param), event.data.control.value), false);
      break;
    case SND_SEQ_EVENT_CONTROL14:
      // A pair the sequencer joined: handed on as the controller sent it, coarse half first.
      if (event.data.control.param < 32) {
        const int channel = event.data.control.channel;
        const int number = int(event.data.control.param);
        push(sender, MidiMessage::control(channel, number, event.data.control.value >> 7), false);
        push(sender, MidiMessage::control(channel, number + 32, event.data.control.value & 0x7F), false);
      }
      break;
    case SND_SEQ_EVENT_PITCHBEND:
      push(sender, MidiMessage::pitchBend(event.data.control.channel, event.data.control.value + 8192), false);
      break;
    case SND_SEQ_EVENT_CLIENT_START:
    case SND_SEQ_EVENT_CLIENT_EXIT:
    case SND_SEQ_EVENT_PORT_START:
    case SND_SEQ_EVENT_PORT_EXIT:
    case SND_SEQ_EVENT_PORT_CHANGE:
      push(sender, {}, true);
      break;
    default:
      break;  // clock, active sensing and the rest: nothing a control does
  }
}

void MidiSequencerSource::push(std::uint32_t sender, const MidiMessage& message, bool portsChanged) {
  inbox_->push({sender, message, Clock::now(), portsChanged});
}

}  // namespace gm

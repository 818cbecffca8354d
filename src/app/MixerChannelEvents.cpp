#include "app/MixerChannelEvents.h"

#include "core/CatalogTable.h"

namespace gm {

// The events of one knob, in their order: an optional kill switch, two steps, position and reset.
struct MixerChannelEvents::KnobEvents {
  struct Step {
    Msg name;
    std::uint32_t method;
    int value;  // MixerChannel::kKnobStepUp or kKnobStepDown
  };
  int code;  // MixerChannel's knob code
  Msg kill;  // Msg::Count for none
  std::uint32_t killMethod;
  Step first, second;
  Msg analog;
  std::uint32_t analogMethod;
  Msg reset;
  std::uint32_t resetMethod;
};

namespace {

constexpr Msg kNoKill = Msg::Count;
constexpr int kUp = MixerChannel::kKnobStepUp;
constexpr int kDown = MixerChannel::kKnobStepDown;

}  // namespace

MixerChannelEvents::MixerChannelEvents(MixerChannel& channel) : channel_(channel) {
  addKnob({MixerChannel::kHigh, Msg::EventHiKill, kHighKill, {Msg::EventHiGainUp, kHighUp, kUp},
           {Msg::EventHiGainDown, kHighDown, kDown}, Msg::EventHiGainAnalog, kHighAnalog, Msg::EventHiGainReset,
           kHighReset});
  addKnob({MixerChannel::kMid, Msg::EventMidKill, kMidKill, {Msg::EventMidGainUp, kMidUp, kUp},
           {Msg::EventMidGainDown, kMidDown, kDown}, Msg::EventMidGainAnalog, kMidAnalog, Msg::EventMidGainReset,
           kMidReset});
  addKnob({MixerChannel::kLow, Msg::EventLowKill, kLowKill, {Msg::EventLowGainUp, kLowUp, kUp},
           {Msg::EventLowGainDown, kLowDown, kDown}, Msg::EventLowGainAnalog, kLowAnalog, Msg::EventLowGainReset,
           kLowReset});
  addKnob({MixerChannel::kGain, kNoKill, 0, {Msg::EventGainUp, kGainUp, kUp}, {Msg::EventGainDown, kGainDown, kDown},
           Msg::EventGainAnalog, kGainAnalog, Msg::EventGainReset, kGainReset});
  addVolume();
  // Pan steps left (down) first, then right.
  addKnob({MixerChannel::kBalance, kNoKill, 0, {Msg::EventPanLeft, kPanLeft, kDown},
           {Msg::EventPanRight, kPanRight, kUp}, Msg::EventPanAnalog, kPanAnalog, Msg::EventPanReset, kPanReset});
}

void MixerChannelEvents::addButton(Msg name, std::uint32_t method, std::function<void()> action) {
  registry_.addOnRelease(msg(name), EventType::Button, method, std::move(action));
}

void MixerChannelEvents::addKnob(const KnobEvents& knob) {
  BoundedValue& control = *channel_.knob(knob.code);
  const int code = knob.code;
  if (knob.kill != kNoKill) {
    registry_.addOnRelease(msg(knob.kill), EventType::Toggle, knob.killMethod,
                           [this, code] { channel_.setKill(code, MixerChannel::kFlip); });
    // Kill switches exist for the three bands only, whose knob codes are their band numbers.
    registry_.setState(knob.killMethod, [this, code] { return channel_.kill(MixerChannel::Band(code)).value() != 0; });
  }
  for (const KnobEvents::Step& step : {knob.first, knob.second}) {
    addButton(step.name, step.method, [this, code, value = step.value] { channel_.setKnob(code, value); });
  }
  registry_.addAnalog(msg(knob.analog), knob.analogMethod, control);
  // The knob's reset: back to the value it was made with.
  addButton(knob.reset, knob.resetMethod, [&control] { control.setValue(control.initial()); });
}

void MixerChannelEvents::addVolume() {
  addButton(Msg::EventVolumeUp, kVolumeUp, [this] { channel_.setVolume(MixerChannel::kVolumeStepUp); });
  addButton(Msg::EventVolumeDown, kVolumeDown, [this] { channel_.setVolume(MixerChannel::kVolumeStepDown); });
  registry_.addAnalog(msg(Msg::EventVolumeAnalog), kVolumeAnalog, channel_.volume());
  registry_.addOnRelease(msg(Msg::EventVolumeMute), EventType::Toggle, kVolumeMute,
                         [this] { channel_.setMute(MixerChannel::kFlip); });
  registry_.setState(kVolumeMute, [this] { return channel_.muted(); });
}

}  // namespace gm

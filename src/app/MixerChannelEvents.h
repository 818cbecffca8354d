#pragma once
// A mixer channel's events (zone "Equalizer A" / "Equalizer B"): per equaliser band its kill switch
// and knob steps, position and reset; the same for the gain knob; the volume fader with mute; the
// pan knob. Each moves the channel's own control, so the strip and the deck follow.

#include <cstdint>
#include <functional>

#include <QString>

#include "app/MixerChannel.h"
#include "control/EventRegistry.h"
#include "core/CatalogTable.h"

namespace gm {

class MixerChannelEvents {
 public:
  enum Method : std::uint32_t {
    kHighUp = 44299, kHighDown = 44300, kMidUp = 44301, kMidDown = 44302, kLowUp = 44303, kLowDown = 44304,
    kGainUp = 44305, kGainDown = 44306, kPanLeft = 44307, kPanRight = 44308, kVolumeUp = 44309,
    kVolumeDown = 44310, kVolumeMute = 44311, kHighKill = 44312, kMidKill = 44313, kLowKill = 44314,
    kHighReset = 44315, kMidReset = 44316, kLowReset = 44317, kGainReset = 44318, kPanReset = 44319,
    kHighAnalog = 44320, kMidAnalog = 44321, kLowAnalog = 44322, kGainAnalog = 44323, kVolumeAnalog = 44324,
    kPanAnalog = 44325,
  };

  // `channel` must outlive the events.
  explicit MixerChannelEvents(MixerChannel& channel);

  // [main-thread] Once only, as every zone owner.
  void registerWith(EventList& events, const QString& zone) { registry_.registerWith(events, zone); }

 private:
  struct KnobEvents;
  void addKnob(const KnobEvents& knob);
  void addVolume();
  void addButton(Msg name, std::uint32_t method, std::function<void()> action);

  MixerChannel& channel_;
  EventRegistry registry_;
};

}  // namespace gm

#include "tracks/BandDisplayEvents.h"

#include "core/CatalogTable.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

constexpr std::int32_t kFullScale = 65536;

}  // namespace

BandDisplayEvents::BandDisplayEvents(Deck& deck) : deck_(deck) {
  BandDisplay& display = deck_.bandDisplay();
  registry_.addOnRelease(msg(Msg::EventDisplayHiBand), EventType::Toggle, kDisplayHigh,
                         [&display] { display.toggle(Band::High); });
  registry_.addOnRelease(msg(Msg::EventDisplayMidBand), EventType::Toggle, kDisplayMid,
                         [&display] { display.toggle(Band::Mid); });
  registry_.addOnRelease(msg(Msg::EventDisplayLowBand), EventType::Toggle, kDisplayLow,
                         [&display] { display.toggle(Band::Low); });
  registry_.addOnRelease(msg(Msg::EventCycleBands), EventType::Button, kCycleBands,
                         [&display] { display.setCode(BandDisplay::kNextCode); });
  // A wheel or jog sends whole steps (±65536 each): one jog detent per step, as the deck's jog.
  registry_.add(msg(Msg::EventSpeedRelative), EventType::Analog, kSpeedRelative, [this](std::int32_t value) {
    if (const int detents = value / kFullScale; detents != 0) deck_.jog(detents);
  });
}

}  // namespace gm

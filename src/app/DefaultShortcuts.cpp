#include "app/DefaultShortcuts.h"

#include "control/EventList.h"
#include "core/CatalogTable.h"

namespace gm {
namespace {

struct Shortcut {
  Msg zone;
  Msg name;
  const char* keys;
};

constexpr Shortcut kShortcuts[] = {
    {Msg::ZoneControllerA, Msg::EventSync, "a"},          {Msg::ZoneControllerA, Msg::EventCue, "s"},
    {Msg::ZoneControllerA, Msg::EventPlayPause, "d"},     {Msg::ZoneControllerA, Msg::EventSetCue, "f"},
    {Msg::ZoneControllerA, Msg::EventPitchDown, "q"},     {Msg::ZoneControllerA, Msg::EventPitchUp, "w"},
    {Msg::ZoneControllerA, Msg::EventPitchBendDown, "e"}, {Msg::ZoneControllerA, Msg::EventPitchBendUp, "r"},
    {Msg::ZoneControllerA, Msg::EventLoop1, "1"},         {Msg::ZoneControllerA, Msg::EventLoop2, "2"},
    {Msg::ZoneControllerA, Msg::EventLoop4, "3"},         {Msg::ZoneControllerA, Msg::EventLoop8, "4"},
    {Msg::ZoneControllerA, Msg::EventLoopStop, "5"},      {Msg::ZoneControllerA, Msg::EventLoopHalve, "z"},
    {Msg::ZoneControllerA, Msg::EventLoopDouble, "x"},
    {Msg::ZoneControllerB, Msg::EventSync, ";"},          {Msg::ZoneControllerB, Msg::EventCue, "l"},
    {Msg::ZoneControllerB, Msg::EventPlayPause, "k"},     {Msg::ZoneControllerB, Msg::EventSetCue, "j"},
    {Msg::ZoneControllerB, Msg::EventPitchDown, "o"},     {Msg::ZoneControllerB, Msg::EventPitchUp, "p"},
    {Msg::ZoneControllerB, Msg::EventPitchBendDown, "u"}, {Msg::ZoneControllerB, Msg::EventPitchBendUp, "i"},
    {Msg::ZoneControllerB, Msg::EventLoop1, "6"},         {Msg::ZoneControllerB, Msg::EventLoop2, "7"},
    {Msg::ZoneControllerB, Msg::EventLoop4, "8"},         {Msg::ZoneControllerB, Msg::EventLoop8, "9"},
    {Msg::ZoneControllerB, Msg::EventLoopStop, "0"},      {Msg::ZoneControllerB, Msg::EventLoopHalve, "m"},
    {Msg::ZoneControllerB, Msg::EventLoopDouble, ","},
    {Msg::ZoneMixer, Msg::EventCrossFaderLeft, "v"},      {Msg::ZoneMixer, Msg::EventCrossFaderCentre, "b"},
    {Msg::ZoneMixer, Msg::EventCrossFaderRight, "n"},
    {Msg::MediaZone, Msg::EventSelectPreviousTrack, "up"}, {Msg::MediaZone, Msg::EventSelectNextTrack, "down"},
    {Msg::MediaZone, Msg::EventLoadInFreeDeck, "return"},
};

}  // namespace

void DefaultShortcuts::apply(EventList& events) {
  for (const Shortcut& shortcut : kShortcuts) {
    for (EventBinding& record : events.records()) {
      if (record.zone != msg(shortcut.zone) || record.name != msg(shortcut.name)) continue;
      if (record.keyboard.isEmpty()) record.keyboard = QString::fromLatin1(shortcut.keys);
      break;
    }
  }
}

}  // namespace gm

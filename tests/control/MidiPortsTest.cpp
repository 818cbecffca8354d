#include <gtest/gtest.h>

#include <thread>

#include "control/MidiInbox.h"
#include "control/MidiPortList.h"

namespace gm {
namespace {

using Names = std::vector<QString>;

TEST(MidiPorts, IdenticalControllersGetTheirOwnNamesWhichLastWhileTheyArePluggedIn) {
  MidiPortList ports;
  const MidiPortInfo first{0x1400, "Pad", "Pad MIDI 1", 0x1400};
  const MidiPortInfo second{0x1800, "Pad", "Pad MIDI 1", 0x1801};
  const MidiPortInfo knobs{0x1C00, "Knobs", "Port 1", std::nullopt};

  MidiPortList::Changes changes = ports.update({first, second, knobs});
  EXPECT_EQ(changes.added, (Names{"Pad MIDI 1", "Pad MIDI 1 (2)", "Knobs Port 1"}));
  EXPECT_EQ(ports.byName("Pad MIDI 1 (2)")->info.output, 0x1801u);
  EXPECT_EQ(ports.byAddress(0x1C00)->name, "Knobs Port 1");
  EXPECT_EQ(ports.update({first, second, knobs}).added, Names{});

  // The first one pulled out: the second keeps its name; plugged in again it gets its own back.
  changes = ports.update({second, knobs});
  EXPECT_EQ(changes.removed, Names{"Pad MIDI 1"});
  EXPECT_EQ(changes.added, Names{});
  EXPECT_EQ(ports.byAddress(0x1800)->name, "Pad MIDI 1 (2)");
  const MidiPortInfo replugged{0x2000, "Pad", "Pad MIDI 1", 0x2000};
  EXPECT_EQ(ports.update({second, knobs, replugged}).added, Names{"Pad MIDI 1"});
  // Another client on an address that was free again is another port.
  changes = ports.update({second, {0x1C00, "Synth", "Synth Out", std::nullopt}, replugged});
  EXPECT_EQ(changes.removed, Names{"Knobs Port 1"});
  EXPECT_EQ(changes.added, Names{"Synth Out"});
}

TEST(MidiPorts, TheInboxHandsOverInOrderAndDropsOnlyWhatDoesNotFit) {
  std::vector<int> delivered;
  MidiInbox inbox(3, [&delivered](const MidiInbox::Entry& entry) { delivered.push_back(entry.message.data2); });
  std::thread reader([&inbox] {
    for (int value = 1; value <= 4; ++value) inbox.push({7, MidiMessage::control(0, 1, value), {}, false});
  });
  reader.join();
  EXPECT_EQ(inbox.takeDropped(), 1u);
  EXPECT_EQ(inbox.takeDropped(), 0u);
  EXPECT_EQ(inbox.drain(), 3u);
  EXPECT_EQ(delivered, (std::vector<int>{1, 2, 3}));
  // Room again, all the way round the ring.
  for (int value = 5; value <= 7; ++value) EXPECT_TRUE(inbox.push({7, MidiMessage::control(0, 1, value), {}, false}));
  EXPECT_FALSE(inbox.push({7, MidiMessage::control(0, 1, 8), {}, false}));
  EXPECT_EQ(inbox.drain(), 3u);
  EXPECT_EQ(delivered, (std::vector<int>{1, 2, 3, 5, 6, 7}));
}

}  // namespace
}  // namespace gm

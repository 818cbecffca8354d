#include "control/EventMappingFile.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "control/EventList.h"
#include "core/CatalogTable.h"
#include "core/RegularFile.h"
#include "support/RecordingTarget.h"

namespace gm {
namespace {

using testing::RecordingTarget;

constexpr std::uint32_t kPlay = 0x800072F6;  // written as -2147454218
constexpr std::uint32_t kLoop1 = 0x80007303;
constexpr std::uint32_t kVolume = 44324;

// A small vocabulary: two decks' "Play", a loop toggle, an analog control and a plug-in parameter.
void registerSample(EventList& events, RecordingTarget& target) {
  events.registerEvent("Controller A", "Play", 0, &target, kPlay);
  events.registerEvent("Controller B", "Play", 0, &target, kPlay);
  events.registerEvent("Controller A", "Loop 1", 1, &target, kLoop1);
  events.registerEvent("Equalizer A", "Volume Analog", 2, &target, kVolume);
  events.registerEvent("Filter A", "Mufflex Freq", 2, &target, 0x80001001);
}

QByteArray readAll(const QString& path) { return RegularFile::read(path, 1 << 20).value_or("<missing>"); }

TEST(EventMappingFile, SaveAndLoadBindEveryEventAsBeforeAndSaveAgainIdentically) {
  QTemporaryDir dir;
  RecordingTarget target;
  EventList saved;
  registerSample(saved, target);
  auto& records = saved.records();
  records[0].keyboard = "ctrl alt d";
  records[0].script = "echo 'é' > /tmp/x";
  records[1].hidName = "Pad BTN_SOUTH (3)";
  records[1].hidIndex = 3;
  records[1].vendorId = 0x046D;
  records[1].deviceId = 0xC216;
  records[3].relative = 1;
  records[3].hidIndex = 21;
  const QString path = dir.filePath("Config/default.cfg");  // the directory does not exist yet
  ASSERT_TRUE(EventMappingFile::save(path, saved));

  const QByteArray first = readAll(path);
  EXPECT_TRUE(first.startsWith("START\nORIGIN:Controller A\nEVENTNAME:Play\nAMIGADOS:echo 'é' > /tmp/x\n"
                               "KEYBOARD:ctrl alt d\nHIDNAME:\nTYPE:0\nMETHOD:-2147454218\nHIDINDEX:0\n"
                               "VENDORID:0\nDEVICEID:0\nRELATIVE:0\nEND\nSTART\nORIGIN:Controller B\n"))
      << first.left(300).constData();
  EXPECT_EQ(first.count("START\n"), 5);  // unbound events too

  EventList loaded;
  registerSample(loaded, target);
  ASSERT_TRUE(EventMappingFile::load(path, loaded));
  for (std::size_t i = 0; i < records.size(); ++i) {
    const EventBinding& want = records[i];
    const EventBinding& got = loaded.records()[i];
    EXPECT_EQ(got.keyboard, want.keyboard) << i;
    EXPECT_EQ(got.script, want.script) << i;
    EXPECT_EQ(got.hidName, want.hidName) << i;
    EXPECT_EQ(got.hidIndex, want.hidIndex) << i;
    EXPECT_EQ(got.vendorId, want.vendorId) << i;
    EXPECT_EQ(got.deviceId, want.deviceId) << i;
    EXPECT_EQ(got.relative, want.relative) << i;
  }
  ASSERT_TRUE(EventMappingFile::save(path, loaded));
  EXPECT_EQ(readAll(path), first);
}

TEST(EventMappingFile, ReadsKeysInAnyCaseAndOrderAndMatchesRegisteredNamesAsPrefixes) {
  RecordingTarget target;
  EventList events;
  registerSample(events, target);
  const std::vector<std::size_t> bound = EventMappingFile::apply(
      // Lower case, keys out of order, junk between records; METHOD also in its unsigned form.
      "start\nmethod:2147513078\nKeyboard:x\norigin:controller b\ntype:0\neventname:PLAY\nend\n"
      "junk line\n"
      // A saved name that extends the registered one still binds it; the zone must match too.
      "START\nORIGIN:Filter A\nEVENTNAME:Mufflex Frequency\nTYPE:2\nMETHOD:-2147479551\nHIDINDEX:7\nEND\n"
      // Shorter than the registered name, or another type: dropped.
      "START\nORIGIN:Controller A\nEVENTNAME:Pla\nTYPE:0\nMETHOD:-2147454218\nKEYBOARD:q\nEND\n"
      "START\nORIGIN:Controller A\nEVENTNAME:Loop 1\nTYPE:0\nMETHOD:-2147454205\nKEYBOARD:w\nEND\n",
      events);
  EXPECT_EQ(bound, (std::vector<std::size_t>{1, 4}));
  EXPECT_EQ(events.records()[1].keyboard, "x");
  EXPECT_EQ(events.records()[4].hidIndex, 7);
  EXPECT_TRUE(events.records()[0].keyboard.isEmpty());
  EXPECT_TRUE(events.records()[2].keyboard.isEmpty());
}

TEST(EventMappingFile, MissingLinesRecordsWithoutEndAndLinesOfAnyLength) {
  RecordingTarget target;
  EventList events;
  registerSample(events, target);
  EventBinding& playA = events.records()[0];
  playA.keyboard = "d";
  playA.hidName = "Pad BTN_SOUTH (1)";
  playA.script = "old script";
  // No KEYBOARD, HIDNAME or AMIGADOS line: shortcut and sensor name stay, the script goes.
  EventMappingFile::apply("START\nORIGIN:Controller A\nEVENTNAME:Play\nTYPE:0\nMETHOD:-2147454218\nHIDINDEX:2\nEND\n",
                          events);
  EXPECT_EQ(playA.keyboard, "d");
  EXPECT_EQ(playA.hidName, "Pad BTN_SOUTH (1)");
  EXPECT_TRUE(playA.script.isEmpty());
  EXPECT_EQ(playA.hidIndex, 2);

  // A record without END binds nothing; its values carry into the next record, whose own lines win.
  const QByteArray longScript(200000, 'e');
  EventMappingFile::apply("START\nORIGIN:Controller A\nEVENTNAME:Loop 1\nTYPE:1\nMETHOD:-2147454205\n"
                          "KEYBOARD:k\nHIDNAME:carried\nVENDORID:9\n"
                          "START\nORIGIN:Controller B\nEVENTNAME:Play\nTYPE:0\nMETHOD:-2147454218\nVENDORID:4\n"
                          "AMIGADOS:" + longScript + "\nEND\n",
                          events);
  const EventBinding& playB = events.records()[1];
  EXPECT_TRUE(events.records()[2].keyboard.isEmpty());
  EXPECT_EQ(playB.keyboard, "k");
  EXPECT_EQ(playB.hidName, "carried");
  EXPECT_EQ(playB.vendorId, 4);
  EXPECT_EQ(playB.script.size(), longScript.size());

  // A last "END" without its line feed is no END.
  EventMappingFile::apply("START\nORIGIN:Equalizer A\nEVENTNAME:Volume Analog\nTYPE:2\nMETHOD:44324\n"
                          "RELATIVE:1\nEND",
                          events);
  EXPECT_EQ(events.records()[3].relative, 0);
}

TEST(EventMappingFile, MidiBindingsGetALineThatOnlyThisProgramReadsAndComeBackWhole) {
  RecordingTarget target;
  EventList saved;
  registerSample(saved, target);
  auto& records = saved.records();
  records[1].midi = {{"Deck:1 50% END", 15, MidiControlKind::Note, 36}, MidiControl{"Deck:1 50% END", 0, MidiControlKind::Control, 64},
                     MidiRelativeEncoding::TwosComplement};
  records[3].midi = {{"Knobs", 0, MidiControlKind::Control14, 31}, std::nullopt, MidiRelativeEncoding::Centred};
  records[3].relative = 1;
  records[4].midi = {{"Bend", 3, MidiControlKind::PitchBend, 0}, std::nullopt, MidiRelativeEncoding::TwosComplement};
  const QByteArray text = EventMappingFile::format(saved);
  // No colon after the key: a reader that knows no MIDI line finds none of its keys in it.
  EXPECT_NE(text.indexOf("RELATIVE:0\nMIDI:note 16 36 2c cc/1/64 Deck%3A1 50%25 END\nEND\n"), -1);
  EXPECT_NE(text.indexOf("RELATIVE:1\nMIDI:cc14 1 31 64 - Knobs\nEND\n"), -1);
  EXPECT_EQ(text.count("MIDI:"), 3);

  EventList loaded;
  registerSample(loaded, target);
  loaded.records()[0].midi.control.port = "stale";  // a record without a MIDI line has none
  EventMappingFile::apply(text, loaded);
  for (std::size_t i = 0; i < records.size(); ++i) EXPECT_EQ(loaded.records()[i].midi, records[i].midi) << i;
  EXPECT_EQ(loaded.records()[1].midi.modifier->port, "Deck:1 50% END");
  EXPECT_EQ(EventMappingFile::format(loaded), text);

  // Lines this program cannot read bind nothing and leave the rest of the record alone.
  EventMappingFile::apply("START\nORIGIN:Controller A\nEVENTNAME:Play\nTYPE:0\nMETHOD:-2147454218\nKEYBOARD:p\n"
                          "MIDI:note 17 36 2c - Pad\nEND\n"
                          "START\nORIGIN:Controller B\nEVENTNAME:Play\nTYPE:0\nMETHOD:-2147454218\n"
                          "MIDI:note 16 128 2c - Pad\nEND\n"
                          "START\nORIGIN:Controller A\nEVENTNAME:Loop 1\nTYPE:1\nMETHOD:-2147454205\n"
                          "MIDI:cc 1 127 2c cc/1/ Pad\nEND\n",
                          loaded);
  EXPECT_EQ(loaded.records()[0].keyboard, "p");
  for (std::size_t i = 0; i < 3; ++i) EXPECT_FALSE(loaded.records()[i].midi.bound()) << i;
}

TEST(EventMappingFile, UnreadableFilesLeaveEveryEventAsItWas) {
  QTemporaryDir dir;
  RecordingTarget target;
  EventList events;
  registerSample(events, target);
  events.records()[0].keyboard = "d";
  EXPECT_FALSE(EventMappingFile::load(dir.filePath("missing.cfg"), events));
  EXPECT_FALSE(EventMappingFile::load(dir.path(), events));  // a directory
  QFile empty(dir.filePath("empty.cfg"));
  ASSERT_TRUE(empty.open(QIODevice::WriteOnly));
  empty.close();
  EXPECT_TRUE(EventMappingFile::load(empty.fileName(), events));
  EXPECT_EQ(events.records()[0].keyboard, "d");
}

// The file keeps the built-in names, whatever language the program showed when it saved: a mapping
// saved in German binds the same events when the program runs in English, and in German again.
TEST(EventMappingFile, StoresBuiltInNamesSoAMappingSavedInOneLanguageLoadsInAnother) {
  QTemporaryDir dir;
  QFile catalog(dir.filePath("de.catalog"));
  ASSERT_TRUE(catalog.open(QIODevice::WriteOnly));
  catalog.write(QByteArray::number(int(Msg::ZoneControllerA)) + " Steuerung A\n" +
                QByteArray::number(int(Msg::EventPlay)) + " Abspielen\n" +
                QByteArray::number(int(Msg::EventLoop1)) + " Schleife 1\n");
  catalog.close();
  const struct BuiltInAgain {
    ~BuiltInAgain() { CatalogTable::resetToBuiltIn(); }
  } builtInAgain;
  ASSERT_EQ(CatalogTable::translate(catalog.fileName()), 3);
  RecordingTarget target;
  const auto registerShown = [&target](EventList& events) {
    events.registerEvent(msg(Msg::ZoneControllerA), msg(Msg::EventPlay), 0, &target, kPlay);
    events.registerEvent(msg(Msg::ZoneControllerA), msg(Msg::EventLoop1), 1, &target, kLoop1);
    events.registerEvent(msg(Msg::ZoneControllerA), "Mufflex Freq", 2, &target, 0x80001001);  // a plug-in's own
  };
  EventList german;
  registerShown(german);
  EXPECT_EQ(german.records()[0].name, "Abspielen");
  german.records()[0].keyboard = "d";
  german.records()[1].keyboard = "1";
  german.records()[2].hidIndex = 5;
  const QString path = dir.filePath("default.cfg");
  ASSERT_TRUE(EventMappingFile::save(path, german));
  const QByteArray saved = readAll(path);
  EXPECT_TRUE(saved.startsWith("START\nORIGIN:Controller A\nEVENTNAME:Play\n")) << saved.left(80).constData();
  EXPECT_TRUE(saved.contains("EVENTNAME:Loop 1\n"));
  EXPECT_TRUE(saved.contains("EVENTNAME:Mufflex Freq\n"));

  EventList germanAgain;
  registerShown(germanAgain);
  ASSERT_TRUE(EventMappingFile::load(path, germanAgain));
  CatalogTable::resetToBuiltIn();
  EventList english;
  registerShown(english);
  ASSERT_TRUE(EventMappingFile::load(path, english));
  for (const EventList* events : {&germanAgain, &english}) {
    EXPECT_EQ(events->records()[0].keyboard, "d");
    EXPECT_EQ(events->records()[1].keyboard, "1");
    EXPECT_EQ(events->records()[2].hidIndex, 5);
  }
}

}  // namespace
}  // namespace gm

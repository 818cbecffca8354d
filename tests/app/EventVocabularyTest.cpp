#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "app/AppEvents.h"
#include "app/Application.h"
#include "control/KeyDescription.h"
#include "support/FakeAudioBackend.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"

namespace gm {
namespace {

using testing::FakeAudioBackend;
using testing::ScriptedRequester;
using testing::TestDirectories;

struct Row {
  const char* name;
  int type;
  std::int32_t method;
};

// The vocabulary's table, as the mapping file stores it.
const std::vector<Row> kMixer = {{"Cross Fader", 2, 61469}};
const std::vector<Row> kWaveform = {{"Display Hi Band", 1, -2147474227}, {"Display Mid Band", 1, -2147474226},
                                    {"Display Low Band", 1, -2147474225}, {"Cycle Hi/Mid/Low Bands", 0, -2147474224},
                                    {"Speed Up/Down (Relative)", 2, -2147474223}};
const std::vector<Row> kEqualizer = {
    {"Hi Kill", 1, 44312},        {"Hi Gain Up", 0, 44299},      {"Hi Gain Down", 0, 44300},
    {"Hi Gain Analog", 2, 44320}, {"Hi Gain Reset", 0, 44315},   {"Mid Kill", 1, 44313},
    {"Mid Gain Up", 0, 44301},    {"Mid Gain Down", 0, 44302},   {"Mid Gain Analog", 2, 44321},
    {"Mid Gain Reset", 0, 44316}, {"Low Kill", 1, 44314},        {"Low Gain Up", 0, 44303},
    {"Low Gain Down", 0, 44304},  {"Low Gain Analog", 2, 44322}, {"Low Gain Reset", 0, 44317},
    {"Gain Up", 0, 44305},        {"Gain Down", 0, 44306},       {"Gain Analog", 2, 44323},
    {"Gain Reset", 0, 44318},     {"Volume Up", 0, 44309},       {"Volume Down", 0, 44310},
    {"Volume Analog", 2, 44324},  {"Volume Mute", 1, 44311},     {"Pan Left", 0, 44307},
    {"Pan Right", 0, 44308},      {"Pan Analog", 2, 44325},      {"Pan Reset", 0, 44319}};
const std::vector<Row> kController = {
    {"Play", 0, -2147454218},          {"Pause", 0, -2147454217},           {"Play/Pause", 1, -2147454216},
    {"Rewind", 0, -2147454212},        {"Cue", 0, -2147454215},             {"Set Cue", 0, -2147454214},
    {"Tempo", 2, -2147454210},         {"Tempo Up", 0, -2147454224},        {"Tempo Down", 0, -2147454223},
    {"Pitch", 2, -2147454209},         {"Pitch Up", 0, -2147454222},        {"Pitch Down", 0, -2147454221},
    {"Pitch Bend Up", 0, -2147454219}, {"Pitch Bend Down", 0, -2147454220}, {"Save BPM & Cue", 0, -2147454213},
    {"Sync", 0, -2147454211},          {"Loop Stop", 0, -2147454197},       {"Loop 1/32", 1, -2147454194},
    {"Loop 1/16", 1, -2147454193},     {"Loop 1/8", 1, -2147454208},        {"Loop 1/4", 1, -2147454207},
    {"Loop 1/2", 1, -2147454206},      {"Loop 1", 1, -2147454205},          {"Loop 2", 1, -2147454204},
    {"Loop 4", 1, -2147454203},        {"Loop 8", 1, -2147454202},          {"Loop 16", 1, -2147454201},
    {"Loop 32", 1, -2147454199},       {"Loop 64", 1, -2147454198},         {"Loop x2", 0, -2147454196},
    {"Loop /2", 0, -2147454195}};

std::vector<const EventBinding*> zone(Application& app, const QString& name) {
  std::vector<const EventBinding*> records;
  for (const EventBinding& record : app.events().records()) {
    if (record.zone == name) records.push_back(&record);
  }
  return records;
}

EventBinding& event(Application& app, const QString& zoneName, const QString& name) {
  for (EventBinding& record : app.events().records()) {
    if (record.zone == zoneName && record.name == name) return record;
  }
  throw std::runtime_error("no event " + name.toStdString());
}

void fire(Application& app, const char* zoneName, const char* name, std::int32_t value) {
  const EventBinding& record = event(app, zoneName, name);
  record.target->invokeEvent(record.method, value);
}

void expectZone(Application& app, const char* name, const std::vector<Row>& table) {
  const std::vector<const EventBinding*> records = zone(app, name);
  ASSERT_EQ(records.size(), table.size()) << name;
  for (std::size_t i = 0; i < table.size(); ++i) {
    EXPECT_EQ(records[i]->name, table[i].name) << name << " " << i;
    EXPECT_EQ(records[i]->type, table[i].type) << table[i].name;
    EXPECT_EQ(std::int32_t(records[i]->method), table[i].method) << table[i].name;
    EXPECT_NE(records[i]->target, nullptr) << table[i].name;
  }
}

class EventVocabulary : public ::testing::Test {
 protected:
  TestDirectories dirs;
  FakeAudioBackend backend;
  ScriptedRequester requester;
  Application app{dirs.directories(), backend, requester};
};

TEST_F(EventVocabulary, EveryZoneRegistersItsEventsOnceInTheTablesOrder) {
  std::vector<Row> mixer = kMixer;
  // The cross-fader's key steps follow its analog event.
  mixer.insert(mixer.end(), {{"Cross Fader Left", 0, std::int32_t(AppEvents::kCrossFaderLeft)},
                             {"Cross Fader Right", 0, std::int32_t(AppEvents::kCrossFaderRight)},
                             {"Cross Fader Centre", 0, std::int32_t(AppEvents::kCrossFaderCentre)}});
  expectZone(app, "Mixer", mixer);
  expectZone(app, "Waveform B", kWaveform);
  expectZone(app, "Equalizer A", kEqualizer);
  expectZone(app, "Media", {{"Select Previous Track", 0, -2147469302},
                            {"Select Next Track", 0, -2147469301},
                            {"Load In Free Deck", 0, -2147469311}});
  expectZone(app, "Recorder", {{"Start/Stop Recording", 1, -2147448316}});
  expectZone(app, "Controller A", kController);
  expectZone(app, "Controller B", kController);

  QStringList zones;
  for (const EventBinding& record : app.events().records()) {
    if (zones.isEmpty() || zones.back() != record.zone) zones << record.zone;
  }
  EXPECT_EQ(zones, QStringList({"Mixer", "Waveform A", "Waveform B", "Media", "Equalizer A", "Equalizer B",
                                "Recorder", "Controller A", "Controller B"}));  // no filter plug-ins in the test's program directory
  const std::size_t registered = app.events().size();
  app.appEvents().registerAll();
  EXPECT_EQ(app.events().size(), registered);
}

TEST_F(EventVocabulary, ButtonsActOnReleaseAndAnalogEventsTakeTheirShareOfTheRange) {
  MixerChannel& channel = app.mixerChannel(Application::kDeckA);
  fire(app, "Equalizer A", "Hi Kill", 1);
  EXPECT_EQ(channel.kill(MixerChannel::kHighBand).value(), 0);
  fire(app, "Equalizer A", "Hi Kill", 0);
  EXPECT_EQ(channel.kill(MixerChannel::kHighBand).value(), 1);
  fire(app, "Equalizer A", "Pan Left", 0);
  EXPECT_EQ(channel.balance().value(), -1);
  fire(app, "Equalizer A", "Gain Down", 0);
  fire(app, "Equalizer A", "Gain Down", 1);
  EXPECT_EQ(channel.gain().value(), 99);
  fire(app, "Equalizer A", "Gain Reset", 0);
  EXPECT_EQ(channel.gain().value(), 100);

  // 0 + trunc(60 × v / 65536): 21845 gives 19.9997, 21846 gives 20.0006.
  fire(app, "Equalizer A", "Volume Analog", 21845);
  EXPECT_EQ(app.volume(Application::kDeckA).value(), 19);
  fire(app, "Equalizer A", "Volume Analog", 21846);
  EXPECT_EQ(app.volume(Application::kDeckA).value(), 20);
  // -60 + trunc(120 × v / 65536): the centre is reached at 32768 exactly.
  fire(app, "Mixer", "Cross Fader", 32767);
  EXPECT_EQ(app.crossFader().value(), -1);
  fire(app, "Mixer", "Cross Fader", 32768);
  EXPECT_EQ(app.crossFader().value(), 0);
  fire(app, "Equalizer B", "Hi Gain Analog", 65536);
  EXPECT_EQ(app.mixerChannel(Application::kDeckB).band(MixerChannel::kHighBand).value(), 255);
  fire(app, "Controller B", "Pitch", 0);
  EXPECT_EQ(app.deckControls(Application::kDeckB).pitchSlider().value(), 9000);
}

TEST_F(EventVocabulary, TheMappingFileIsReadAtStartAndDefaultShortcutsServeWithoutOne) {
  ASSERT_TRUE(app.create());
  EXPECT_EQ(event(app, "Controller A", "Play/Pause").keyboard, "d");
  EventDispatcher& dispatcher = app.appEvents().dispatcher();
  const KeyMessage v = *KeyDescription::parse("v");
  dispatcher.keyMessage(v);
  EXPECT_EQ(app.crossFader().value(), 0);
  dispatcher.keyMessage({std::uint16_t(v.code | KeyMessage::kKeyUp), 0});
  EXPECT_EQ(app.crossFader().value(), -AppEvents::kCrossFaderStep);

  // A saved mapping replaces the defaults at the next start.
  event(app, "Controller A", "Play/Pause").keyboard = "shift f2";
  ASSERT_TRUE(app.appEvents().mapping().save());
  EXPECT_TRUE(QFile::exists(dirs.directories().homeDir() + "/Config/default.cfg"));
  Application next{dirs.directories(), backend, requester};
  ASSERT_TRUE(next.create());
  EXPECT_EQ(event(next, "Controller A", "Play/Pause").keyboard, "shift f2");
  EXPECT_EQ(event(next, "Controller B", "Play/Pause").keyboard, "k");
}

}  // namespace
}  // namespace gm

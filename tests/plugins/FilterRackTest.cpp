#include <gtest/gtest.h>

#include <dlfcn.h>

#include <QDir>
#include <QFile>

#include "PluginTestFiles.h"
#include "core/BoundedValue.h"
#include "control/EventList.h"
#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/PanelModel.h"
#include "plugins/PluginDirectory.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginList.h"
#include "plugins/PluginObject.h"
#include "support/TestDirectories.h"

namespace gm::testing {
namespace {

std::vector<std::int16_t> noise(std::size_t frames) {
  std::vector<std::int16_t> pcm(frames * 2);
  std::uint32_t state = 12345;
  for (std::int16_t& sample : pcm) {
    state = state * 1664525u + 1013904223u;
    sample = std::int16_t(state >> 16);
  }
  return pcm;
}

class FilterRackTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(QDir().mkpath(filtersDir)); }

  void install(const QString& built, const QString& name) {
    ASSERT_TRUE(copyPlugin(built, filtersDir + '/' + name)) << name.toStdString();
  }

  TestDirectories dirs;
  QString filtersDir = dirs.directories().resolve("PROGDIR:Filters");
  PluginHost host{dirs.directories(), 1024};
};

TEST_F(FilterRackTest, EmptyOrMissingDirectoryGivesAnEmptyRackThatPassesAudio) {
  FilterRack empty(host, "Filter A");
  EXPECT_TRUE(empty.slots().empty());
  std::vector<std::int16_t> block = noise(512);
  const std::vector<std::int16_t> original = block;
  empty.chain().process(block.data(), 512 * 4, nullptr, nullptr);
  EXPECT_EQ(block, original);

  QDir(filtersDir).removeRecursively();
  FilterRack missing(host, "Filter B");
  EXPECT_TRUE(missing.slots().empty());
  PluginList list(host, "Filters");
  EXPECT_TRUE(list.entries().empty());
}

TEST_F(FilterRackTest, PluginsAreRecognisedByContentNotByName) {
  QFile text(filtersDir + "/x.filter");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a plug-in\n");
  text.close();
  QFile shortFile(filtersDir + "/y.filter");
  ASSERT_TRUE(shortFile.open(QIODevice::WriteOnly));
  shortFile.write("\x7f" "EL");
  shortFile.close();
  ASSERT_TRUE(QDir(filtersDir).mkdir("z.filter"));
  install("Filters/Mufflex.filter", "renamed.bin");

  const QStringList files = PluginDirectory::pluginFiles(filtersDir);
  EXPECT_EQ(files, QStringList{filtersDir + "/renamed.bin"});
  FilterRack rack(host, "Filter A");
  ASSERT_EQ(rack.slots().size(), 1u);
  EXPECT_EQ(rack.slots()[0]->name(), "Mufflex");
  EXPECT_EQ(host.createObject(filtersDir + "/x.filter"), nullptr);
  EXPECT_EQ(host.createObject(filtersDir + "/nothing-here"), nullptr);
}

// Plug-in files cut short (an interrupted copy) are refused before they are mapped, as are files that
// are no plug-in and plug-ins whose preferences would lie outside their folder: each is named once.
TEST_F(FilterRackTest, DamagedAndForeignFilesAreRefusedByName) {
  const std::vector<std::uint8_t> whole = fileBytes(builtPlugin("Filters/Mufflex.filter"));
  for (std::size_t cut : {1000u, 4096u, 20000u}) {
    ASSERT_LT(cut, whole.size());
    QFile file(filtersDir + QString("/cut%1.filter").arg(cut));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char*>(whole.data()), qint64(cut));
  }
  QFile text(filtersDir + "/notes.txt");
  ASSERT_TRUE(text.open(QIODevice::WriteOnly));
  text.write("not a plug-in\n");
  text.close();
  ASSERT_TRUE(QFile::copy(GM_ESCAPING_FILTER, filtersDir + "/Escaping.filter"));
  install("Filters/Thinex.filter", "Thinex.filter");

  FilterRack rack(host, "Filter A");
  ASSERT_EQ(rack.slots().size(), 1u);
  EXPECT_EQ(rack.slots()[0]->name(), "Thinex");
  QStringList refused = host.takeRefusals();
  refused.sort();
  ASSERT_EQ(refused.size(), 5) << refused.join(" | ").toStdString();
  EXPECT_TRUE(refused[0].startsWith("Escaping.filter (its preferences file would lie outside")) << refused[0].toStdString();
  for (int index : {1, 2, 3}) EXPECT_TRUE(refused[index].contains("damaged")) << refused[index].toStdString();
  EXPECT_EQ(refused[4], "notes.txt (not a plug-in library)");
  FilterRack second(host, "Filter B");
  EXPECT_TRUE(host.takeRefusals().isEmpty()) << "each file is named once";
  EXPECT_FALSE(QFileInfo::exists(dirs.path("Escaped.prefs")));

  // A panel is taken only when its rows end where it says, however many it claims.
  const gm_panel_row rows[] = {{GM_ROW_SLIDER, "x", nullptr, 1, 0, 10, GM_INITIAL_FIXED, 0, nullptr, 0, 0},
                               {GM_ROW_END, nullptr, nullptr, 0, 0, 0, GM_INITIAL_FIXED, 0, nullptr, 0, 0}};
  EXPECT_TRUE(PanelModel::wellFormed({1, rows}));
  for (std::uint32_t claimed : {0u, 2u, 1000u}) EXPECT_FALSE(PanelModel::wellFormed({claimed, rows})) << claimed;
}

TEST_F(FilterRackTest, DisabledPluginIsListedButNotRacked) {
  install("Filters/Mufflex.filter", "Mufflex.filter");
  install("Filters/Thinex.filter", "Thinex.filter");
  {
    PluginList page(host, "Filters");
    ASSERT_EQ(page.entries().size(), 2u);
    for (std::size_t index = 0; index < 2; ++index) {
      if (page.entries()[index].name == "Thinex") page.plugin(index).setEnabled(false);
    }
  }
  EXPECT_TRUE(QFile::exists(dirs.directories().resolve("PROGDIR:Filters/Thinex.prefs")));
  PluginList page(host, "Filters");
  ASSERT_EQ(page.entries().size(), 2u);
  // Listed in reverse directory order.
  const QStringList files = PluginDirectory::pluginFiles(filtersDir);
  EXPECT_EQ(page.entries()[0].plugin->libraryPath(), files[1]);
  EXPECT_EQ(page.entries()[1].plugin->libraryPath(), files[0]);
  for (const auto& entry : page.entries()) {
    EXPECT_EQ(entry.plugin->enabled(), entry.name == "Mufflex") << entry.name.toStdString();
    EXPECT_EQ(entry.versionText, entry.name == "Thinex" ? "1.2" : "1.1");
  }
  FilterRack rack(host, "Filter A");
  ASSERT_EQ(rack.slots().size(), 1u);
  EXPECT_EQ(rack.slots()[0]->name(), "Mufflex");
}

TEST_F(FilterRackTest, EnabledSlotsProcessInSeriesInDirectoryOrder) {
  install("Filters/Mufflex.filter", "Mufflex.filter");
  install("Filters/Thinex.filter", "Thinex.filter");
  FilterRack rack(host, "Filter A");
  ASSERT_EQ(rack.slots().size(), 2u);
  const QStringList files = PluginDirectory::pluginFiles(filtersDir);
  for (std::size_t index = 0; index < 2; ++index) {
    EXPECT_EQ(rack.slots()[index]->plugin().libraryPath(), files[int(index)]);
    EXPECT_FALSE(rack.slots()[index]->isOn()) << "slots start off";
  }
  std::vector<std::int16_t> block = noise(1024);
  const std::vector<std::int16_t> original = block;
  rack.chain().process(block.data(), 1024 * 4, nullptr, nullptr);
  EXPECT_EQ(block, original);

  // Through the panels' models, as the sliders would: Mufflex at 1 kHz, Thinex at 500 Hz.
  for (const auto& slot : rack.slots()) {
    const bool low = slot->name() == "Mufflex";
    slot->controlsPanel().valueFor(GM_FILTER_FREQUENCY)->setValue(low ? 1000 : 500);
    slot->on().setValue(1);
    EXPECT_TRUE(slot->isOn());
  }
  rack.chain().process(block.data(), 1024 * 4, nullptr, nullptr);

  std::vector<std::int16_t> expected = original;
  for (const QString& file : files) {
    RawPlugin reference(file, dirs.path("reference.prefs").toStdString());
    const bool low = QString(reference.text(GM_ATTR_NAME)) == "Mufflex";
    reference.set({{GM_FILTER_FREQUENCY, low ? 1000 : 500}});
    reference.process(expected.data(), 1024 * 4);
  }
  EXPECT_EQ(block, expected);

  rack.slots()[0]->on().setValue(0);
  EXPECT_FALSE(rack.slots()[0]->isOn());
}

TEST_F(FilterRackTest, EventsToggleAndParameterMethods) {
  install("Filters/Mufflex.filter", "Mufflex.filter");
  FilterRack rack(host, "Filter A");
  ASSERT_EQ(rack.slots().size(), 1u);
  FilterSlot& slot = *rack.slots()[0];
  EventList events;
  rack.registerEvents(events);
  rack.registerEvents(events);
  ASSERT_EQ(events.size(), 3u) << "registered once per slot";
  const auto& records = events.records();
  EXPECT_EQ(records[0].name, "Mufflex Frequency");
  EXPECT_EQ(records[1].name, "Mufflex Resonance");
  EXPECT_EQ(records[2].name, "Mufflex On/Off");
  for (const auto& record : records) {
    EXPECT_EQ(record.zone, "Filter A");
    EXPECT_EQ(record.lastValue, 1024);
    EXPECT_TRUE(record.keyboard.isEmpty());
  }
  EXPECT_EQ(records[0].type, 2);
  EXPECT_EQ(records[0].method, GM_FILTER_FREQUENCY);
  EXPECT_EQ(records[0].target, &slot.plugin());
  EXPECT_EQ(records[2].type, 1);
  EXPECT_EQ(records[2].method, 0x8000FA02u);
  EXPECT_EQ(std::int32_t(records[2].method), -2147419646);
  EXPECT_EQ(records[2].target, &slot);

  // The toggle: 0 flips, anything else leaves it.
  records[2].target->invokeEvent(records[2].method, 0);
  EXPECT_TRUE(slot.isOn());
  records[2].target->invokeEvent(records[2].method, 1);
  records[2].target->invokeEvent(records[2].method, 65536);
  EXPECT_TRUE(slot.isOn());
  records[2].target->invokeEvent(records[2].method, 0);
  EXPECT_FALSE(slot.isOn());

  // The analog event moves the slider, whose change sets the attribute.
  records[0].target->invokeEvent(records[0].method, 0);
  EXPECT_EQ(slot.controlsPanel().valueFor(GM_FILTER_FREQUENCY)->value(), 20);
  EXPECT_EQ(slot.plugin().integerAttribute(GM_FILTER_FREQUENCY), 20);
  records[1].target->invokeEvent(records[1].method, 65536);
  EXPECT_EQ(slot.plugin().integerAttribute(GM_FILTER_RESONANCE), 2000);
}

TEST_F(FilterRackTest, EventRecordsAndTheirTargetsMayGoInEitherOrder) {
  install("Filters/Mufflex.filter", "Mufflex.filter");
  EventList events;
  {
    FilterRack rack(host, "Filter A");
    rack.registerEvents(events);
    ASSERT_EQ(events.size(), 3u);
    for (const auto& record : events.records()) EXPECT_NE(record.target, nullptr);
  }
  for (const auto& record : events.records()) EXPECT_EQ(record.target, nullptr) << record.name.toStdString();

  auto rack = std::make_unique<FilterRack>(host, "Filter B");
  {
    EventList shortLived;
    rack->registerEvents(shortLived);
  }
  rack.reset();  // must not reach back into the list that is gone
  SUCCEED();
}

TEST_F(FilterRackTest, ParameterMethodBeforeTheControlsPanelExistsChangesNothing) {
  install("Filters/Thinex.filter", "Thinex.filter");
  std::unique_ptr<PluginObject> thinex = host.createObject(filtersDir + "/Thinex.filter");
  ASSERT_NE(thinex, nullptr);
  EXPECT_EQ(thinex->versionText(), "1.2");
  thinex->invokeEvent(GM_FILTER_FREQUENCY, 65536);
  EXPECT_EQ(thinex->integerAttribute(GM_FILTER_FREQUENCY), 20);
  PanelModel* controls = thinex->controlsPanel();
  ASSERT_NE(controls, nullptr);
  thinex->invokeEvent(GM_FILTER_FREQUENCY, 65536);
  EXPECT_EQ(thinex->integerAttribute(GM_FILTER_FREQUENCY), 20000);
  EXPECT_EQ(controls->valueFor(GM_FILTER_FREQUENCY)->value(), 20000);
}

TEST_F(FilterRackTest, LibraryIsSharedAndReleasedWithItsLastObject) {
  install("Filters/Phaser.filter", "Phaser.filter");
  const QByteArray path = QFile::encodeName(filtersDir + "/Phaser.filter");
  {
    std::unique_ptr<PluginObject> first = host.createObject(filtersDir + "/Phaser.filter");
    std::unique_ptr<PluginObject> second = host.createObject(filtersDir + "/Phaser.filter");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    first.reset();
    void* stillLoaded = ::dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD);
    EXPECT_NE(stillLoaded, nullptr);
    if (stillLoaded != nullptr) ::dlclose(stillLoaded);
    EXPECT_EQ(second->name(), "Phaser");
  }
  EXPECT_EQ(::dlopen(path.constData(), RTLD_NOW | RTLD_NOLOAD), nullptr);
}

TEST_F(FilterRackTest, PhaserInTheRackRendersFromTheDeck) {
  install("Filters/Phaser.filter", "Phaser.filter");
  FilterRack rack(host, "Filter B");
  ASSERT_EQ(rack.slots().size(), 1u);
  rack.slots()[0]->on().setValue(1);
  TestDeck deck(100000);
  const gm_voice_state state = deck.stateAt(40000);
  std::vector<std::int16_t> block(2 * 512);
  rack.chain().process(block.data(), 512 * 4, &deck, &state);
  ASSERT_EQ(deck.renderedPositions.size(), 1u);
  EXPECT_EQ(deck.renderedPositions[0], 40000) << "the phase starts at 0";
  EXPECT_EQ(block[0], std::int16_t((0.0f + float(deck.sample(40000, 0))) * 0.5f));
  std::vector<std::int16_t> tooLong(2 * 2048);
  rack.chain().process(tooLong.data(), 2048 * 4, &deck, &state);
  EXPECT_EQ(deck.renderedPositions.size(), 1u) << "beyond the host's block size the block passes unchanged";
}

TEST_F(FilterRackTest, DeckDetectorFromTheProgramDirectoryWithPrefsInHome) {
  EXPECT_EQ(host.createDetector(), nullptr) << "no detector installed";
  const QString detectors = dirs.directories().resolve("PROGDIR:BeatDetectors");
  ASSERT_TRUE(QDir().mkpath(detectors));
  ASSERT_TRUE(copyPlugin("BeatDetectors/Pulsetrak.detector", detectors + "/Pulsetrak.detector"));
  std::unique_ptr<PluginObject> detector = host.createDetector();
  ASSERT_NE(detector, nullptr);
  EXPECT_EQ(detector->kind(), GM_PLUGIN_DETECTOR);
  detector->setAttribute(GM_DETECTOR_STEPS, 10);
  EXPECT_TRUE(QFile::exists(dirs.path("home/BeatDetectors/BasicDetector.prefs")));
  EXPECT_EQ(detector->detectTempo(nullptr, 0), 0u);
  EXPECT_EQ(detector->controlsPanel(), nullptr);
  PanelModel* prefs = detector->prefsPanel();
  ASSERT_NE(prefs, nullptr);
  EXPECT_EQ(prefs->valueFor(GM_DETECTOR_STEPS)->value(), 10) << "starts at the current value";
  prefs->valueFor(GM_DETECTOR_LENGTH)->setValue(50);
  EXPECT_EQ(detector->integerAttribute(GM_DETECTOR_LENGTH), 10) << "the slider clamps to its range";
}

}  // namespace
}  // namespace gm::testing

// A deck with the real plug-ins of the build: the beat detector sets the tempo of tracks without a
// script, and the filter rack runs over the rendered blocks.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

class DeckPluginsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(qEnvironmentVariableIsEmpty("GROOVEMANGLER_PROGDIR"));
    deck.prepare(512);
    deck.setTrackDatabase(TrackDatabase(Directories::resolve({}, home.path(), {})));
  }
  bool load(const QString& path) {
    return deck.loadEntry(TrackEntry::fromPath(path)) && testing::waitFor([this] { return !deck.busy(); }, 30000);
  }

  QTemporaryDir home;
  PluginHost host{Directories::resolve({}, home.path(), {})};
  Deck deck{0};
};

TEST_F(DeckPluginsTest, TheDetectorFindsTheTempoUnlessTheTrackHasAScript) {
  const QString track = testing::makeTrack(home.path(), "t.wav", 120, {"--seconds", "12"});
  deck.setTempoDetector(host.createDetector());
  ASSERT_TRUE(load(track));
  EXPECT_NEAR(deck.bpm(), 12000, 60);
  EXPECT_EQ(deck.currentBpm(), deck.bpm());

  QDir(home.path()).mkpath("Keyledger");
  QFile script(home.filePath(QString::fromStdString(deck.sample()->scriptPath)));
  ASSERT_TRUE(script.open(QIODevice::WriteOnly));
  script.close();
  ASSERT_TRUE(load(track));
  EXPECT_EQ(deck.sample()->detectedBpm, 0);
  EXPECT_EQ(deck.bpm(), 0);
}

TEST_F(DeckPluginsTest, TheFilterRackRunsOverTheRenderedBlocks) {
  FilterRack rack(host, "Filter A");
  ASSERT_GE(rack.slots().size(), 3u);
  FilterSlot* thinex = nullptr;
  for (const auto& slot : rack.slots()) {
    if (slot->name().contains("Thinex")) thinex = slot.get();
  }
  ASSERT_NE(thinex, nullptr);
  deck.setFilterRack(&rack);
  ASSERT_TRUE(load(testing::makeTrack(home.path(), "f.wav", 128, {"--seconds", "3"})));
  ASSERT_TRUE(deck.play());
  // Several blocks in a row, so the filters' history has settled; the last one is compared.
  auto renderFrom = [this](std::int32_t frame) {
    deck.setPosition(frame);
    std::vector<std::int16_t> block(512 * 2);
    for (int i = 0; i < 6; ++i) deck.voice().renderBlock({block.data(), 512});
    return block;
  };
  const std::vector<std::int16_t> dry = renderFrom(22050);
  thinex->plugin().setAttribute(0x8000EF07u, 3000);  // a high-pass at 3 kHz: the kick goes
  thinex->on().setValue(1);
  const std::vector<std::int16_t> wet = renderFrom(22050);
  EXPECT_NE(wet, dry);
  auto energy = [](const std::vector<std::int16_t>& v) {
    double sum = 0;
    for (std::int16_t x : v) sum += double(x) * x;
    return sum;
  };
  EXPECT_LT(energy(wet) * 10, energy(dry)) << energy(wet) << " vs " << energy(dry);
  thinex->on().setValue(0);
  const std::vector<std::int16_t> dryAgain = renderFrom(22050);
  EXPECT_GT(energy(dryAgain) * 2, energy(dry));
}

// A filter that asks for renders with a forged deck handle and with a play state pointing at foreign
// memory of absurd length: the deck renders only its own track, from the state's position.
TEST_F(DeckPluginsTest, AFaultyFilterCannotMakeTheDeckReadForeignMemory) {
  QTemporaryDir program;
  ASSERT_TRUE(QDir(program.path()).mkpath("Filters"));
  ASSERT_TRUE(QFile::copy(GM_FAULTY_FILTER, program.filePath("Filters/Faulty.filter")));
  PluginHost faultyHost{Directories::resolve(program.path(), home.path(), {})};
  FilterRack rack(faultyHost, "Filter A");
  ASSERT_EQ(rack.slots().size(), 1u);
  rack.slots()[0]->on().setValue(1);
  deck.setFilterRack(&rack);
  Deck plain{1};
  plain.prepare(512);
  const QString track = testing::makeTrack(home.path(), "f.wav", 128, {"--seconds", "3"});
  ASSERT_TRUE(load(track));
  ASSERT_TRUE(plain.loadEntry(TrackEntry::fromPath(track)) && testing::waitFor([&] { return !plain.busy(); }));
  ASSERT_TRUE(deck.play() && plain.play());
  for (std::int32_t frame : {0, 44100, deck.frames() - 100}) {
    deck.setPosition(frame);
    plain.setPosition(frame);
    std::vector<std::int16_t> filtered(512 * 2), expected(512 * 2);
    deck.voice().renderBlock({filtered.data(), 512});
    plain.voice().renderBlock({expected.data(), 512});
    EXPECT_EQ(filtered, expected) << "the filter's render replaces the block with the deck's own audio at " << frame;
  }
}

}  // namespace
}  // namespace gm

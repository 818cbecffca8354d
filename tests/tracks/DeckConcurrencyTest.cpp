// Both decks loading at once while the engine's output threads pull and the main thread works the
// transport: the deck lock and the render reports must keep every thread's view consistent. Run
// under ThreadSanitizer (-DGM_TSAN=ON) to check the locking itself.

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include <QTemporaryDir>

#include "audio/MixEngine.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

TEST(DeckConcurrencyTest, TwoDecksLoadWhileTheEnginePulls) {
  QTemporaryDir dir;
  const QString first = testing::makeTrack(dir.path(), "a.wav", 120, {"--seconds", "20"});
  const QString second = testing::makeTrack(dir.path(), "b.wav", 126, {"--seconds", "20", "--mono"});
  ASSERT_FALSE(first.isEmpty());
  Deck deckA(0), deckB(1);
  deckA.link(&deckB);
  deckB.link(&deckA);
  deckA.prepare(256);
  deckB.prepare(256);
  auto engine = MixEngine::create(&deckA.voice(), &deckB.voice(), 256);
  std::atomic<bool> running{true};
  std::atomic<long> masterBlocks{0};
  std::thread master([&] {
    std::vector<std::int16_t> block(256 * 2);
    while (running) {
      engine->pull(MixEngine::kMasterPort, block.data(), block.size() * 2);
      ++masterBlocks;
    }
  });
  std::thread headphones([&] {
    std::vector<std::int16_t> block(256 * 2);
    while (running) engine->pull(MixEngine::kHeadphonePort, block.data(), block.size() * 2);
  });

  ASSERT_TRUE(deckA.loadEntry(TrackEntry::fromPath(first)));
  ASSERT_TRUE(deckB.loadEntry(TrackEntry::fromPath(second)));
  // Playing while the rest of the track still decodes is allowed once memory is attached.
  testing::waitFor([&] { return deckA.hasTrack(); });
  deckA.play();
  ASSERT_TRUE(testing::waitFor([&] { return !deckA.busy() && !deckB.busy(); }, 30000));
  deckA.setBpm(12000);
  deckB.setBpm(12600);
  ASSERT_TRUE(deckB.play());
  for (int i = 0; i < 50; ++i) {
    deckA.setPitch(10000 + i * 10);
    deckB.jog(1);
    deckA.loop(1 + i % 12, true);
    deckB.cuePoint(i % 2);
    deckA.periodicUpdate();
    deckB.periodicUpdate();
    testing::waitFor([] { return false; }, 2);
  }
  deckA.loop(0, false);
  const long before = masterBlocks;
  testing::waitFor([&] { return masterBlocks > before + 20; }, 5000);
  running = false;
  master.join();
  headphones.join();
  EXPECT_GT(masterBlocks.load(), before);
  EXPECT_EQ(deckA.frames(), 20 * 44100);
  EXPECT_EQ(deckB.frames(), 20 * 44100);
  deckA.periodicUpdate();
  EXPECT_GT(deckA.positionFrames(), 0);
}

}  // namespace
}  // namespace gm

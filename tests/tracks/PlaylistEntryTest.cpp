// Playlist entries built from files: tags, length and format as the decoder reads them, and the
// values the track database holds for the same audio as a deck knows it.

#include "tracks/PlaylistEntry.h"

#include <gtest/gtest.h>

#include <QStringList>

#include "AudioTestFiles.h"
#include "support/TestDirectories.h"
#include "support/TestSupport.h"
#include "tracks/Deck.h"
#include "tracks/TrackDatabase.h"

namespace gm {
namespace {

// The entry's texts as the playlist shows them, joined by "|".
std::string texts(const PlaylistEntry& entry) {
  return QStringList{entry.title,    entry.artist,  entry.album,   entry.comment,
                     entry.yearText, entry.bpmText, entry.timeText}
      .join("|")
      .toStdString();
}

class PlaylistEntryTest : public testing::AudioFileTest {
 protected:
  // The digest a deck gives the file.
  TrackDigest deckDigest(const std::string& path) {
    Deck deck{0};
    deck.prepare(512);
    if (!deck.loadEntry(TrackEntry::fromPath(QString::fromStdString(path))) ||
        !testing::waitFor([&deck] { return !deck.busy(); }, 30000) || !deck.sample())
      return {};
    return deck.sample()->digest;
  }

  testing::TestDirectories dirs;
  TrackDatabase database{dirs.directories()};
};

TEST_F(PlaylistEntryTest, ATaggedFileGivesItsTagsFormatAndStoredValues) {
  const std::string beat = generated("beat.wav", "--bpm 128 --seconds 4");
  const std::string tagged =
      converted(beat, "tagged.mp3",
                "-c:a libmp3lame -b:a 128k -metadata title='Night Drive' -metadata artist='Ana Núñez' "
                "-metadata album=Tapes -metadata comment=warm-up -metadata genre=House -metadata date=2019-05-01 "
                "-metadata track=7/12");
  ASSERT_FALSE(tagged.empty());
  const TrackDigest key = deckDigest(tagged);
  ASSERT_TRUE(database.upsert(TrackDatabase::Table::Bpm, key, 12805));
  ASSERT_TRUE(database.upsert(TrackDatabase::Table::Rating, key, 4));

  const std::optional<PlaylistEntry> entry = PlaylistEntry::fromFile(QByteArray::fromStdString(tagged), database);
  ASSERT_TRUE(entry);
  EXPECT_EQ(texts(*entry) + "|" + entry->bitRateText().toStdString() + "|" + entry->description.toStdString(),
            "Night Drive|Ana Núñez|Tapes|warm-up|2019|128.05|00:00:04|128 kbps|MP3 (MPEG audio layer 3)");
  EXPECT_EQ(entry->trackNumber, 7);
  EXPECT_EQ(entry->digest, key);
  EXPECT_EQ(entry->bpm, 12805);
  EXPECT_EQ(entry->rating, 4);
  EXPECT_EQ(entry->durationSeconds, double(entry->frames) / 44100.0);
  EXPECT_EQ(entry->channels, 2);
}

// A mono file without tags: the names fall back, and its key is the deck's, whose track holds
// every sample twice.
TEST_F(PlaylistEntryTest, AnUntaggedMonoFileIsNamedByItsFileAndKnownByTheDecksKey) {
  const std::string mono = generated("mono.wav", "--bpm 120 --seconds 3.5 --mono");
  ASSERT_FALSE(mono.empty());
  const TrackDigest key = deckDigest(mono);
  ASSERT_TRUE(database.upsert(TrackDatabase::Table::Rating, key, 2));
  const std::optional<PlaylistEntry> entry = PlaylistEntry::fromFile(QByteArray::fromStdString(mono), database);
  ASSERT_TRUE(entry);
  EXPECT_EQ(texts(*entry), "mono.wav|Undefined|Undefined|Undefined|Undefined| |00:00:03");
  EXPECT_EQ(entry->digest, key);
  EXPECT_EQ(entry->rating, 2);
  EXPECT_EQ(entry->durationSeconds, 3.5);
  EXPECT_FALSE(PlaylistEntry::fromFile(QFile::encodeName(dirs.path("home")), database)) << "a directory is no entry";
}

}  // namespace
}  // namespace gm

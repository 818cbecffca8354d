// The playlist's own rules, on entries made in place: sorting by a column and reversing it, ratings
// stored in the track database, the lines of a playlist file that count, and moving the active
// entry with the "Media" events, filtered or not.

#include "library/Playlist.h"

#include <gtest/gtest.h>

#include <limits>

#include "library/MediaPanel.h"
#include "library/PlaylistFile.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "tracks/Deck.h"

namespace gm {
namespace {

PlaylistEntry made(const QString& title, const QString& artist, std::int32_t bpm, std::int32_t rating = 0) {
  PlaylistEntry entry;
  entry.nativePath = QFile::encodeName("/tmp/" + title + ".wav");
  entry.title = title;
  entry.artist = artist;
  entry.setBpm(bpm);
  entry.rating = rating;
  entry.digest[0] = std::uint8_t(bpm);
  entry.digest[15] = std::uint8_t(title.size());
  return entry;
}

std::string titles(const Playlist& playlist) {
  QStringList shown;
  for (int row = 0; row < playlist.size(); ++row) shown << playlist.entry(row).title;
  return shown.join(",").toStdString();
}

class PlaylistTest : public ::testing::Test {
 protected:
  testing::TestDirectories dirs;
  TrackDatabase database{dirs.directories()};
  testing::ScriptedRequester requester;
  Deck deckA{0};
  Deck deckB{1};
  MediaPanel panel{deckA, deckB, database, requester};
  Playlist& playlist = panel.playlist();
};

// The first click on a column sorts by it in the current direction, the next reverses it; texts are
// compared without regard to case, tempi as numbers across their whole range, and the active entry
// stays with its track.
TEST_F(PlaylistTest, ClickingAColumnSortsAndClickingItAgainReverses) {
  playlist.append({made("delta", "X", 12800), made("Bravo", "Y", std::numeric_limits<std::int32_t>::min()),
                   made("alpha", "Z", 12801), made("Charlie", "W", std::numeric_limits<std::int32_t>::max())});
  playlist.setActiveRow(2);  // alpha
  playlist.clickColumn(Playlist::kBpm);
  EXPECT_EQ(titles(playlist), "Bravo,delta,alpha,Charlie");
  EXPECT_EQ(playlist.activeRow(), 2);
  playlist.clickColumn(Playlist::kBpm);
  EXPECT_EQ(playlist.sortDirection(), -1);
  EXPECT_EQ(titles(playlist), "Charlie,alpha,delta,Bravo");
  EXPECT_EQ(playlist.activeRow(), 1);
  // Another column keeps the direction.
  playlist.clickColumn(Playlist::kTitle);
  EXPECT_EQ(titles(playlist), "delta,Charlie,Bravo,alpha");
  playlist.clickColumn(Playlist::kArtist);
  EXPECT_EQ(titles(playlist), "alpha,Bravo,delta,Charlie");
  EXPECT_EQ(playlist.entry(playlist.activeRow()).title, "alpha");
}

// A rating goes to the active entry and into rating.db, where the next entry of the same audio finds
// it; values outside 0..5 and a list without an active entry change nothing.
TEST_F(PlaylistTest, RatingsAreStoredForTheActiveEntry) {
  playlist.append({made("one", "A", 12000), made("two", "B", 12100)});
  EXPECT_FALSE(playlist.setRating(4)) << "no entry is active";
  playlist.setActiveRow(1);
  EXPECT_TRUE(playlist.setRating(4));
  EXPECT_EQ(playlist.index(1, Playlist::kRating).data(Playlist::kRatingRole).toInt(), 4);
  EXPECT_EQ(playlist.index(1, Playlist::kRating).data(Qt::ToolTipRole).toString(), "This one rocks!");
  EXPECT_FALSE(playlist.setRating(6));
  EXPECT_FALSE(playlist.setRating(-1));
  EXPECT_EQ(playlist.entry(1).rating, 4);
  EXPECT_EQ(playlist.entry(0).rating, 0);
  EXPECT_EQ(database.lookup(TrackDatabase::Table::Rating, playlist.entry(1).digest), 4);
  EXPECT_TRUE(playlist.setRating(5));
  EXPECT_EQ(database.lookup(TrackDatabase::Table::Rating, playlist.entry(1).digest), 5);
  EXPECT_EQ(database.lookup(TrackDatabase::Table::Rating, playlist.entry(0).digest), 0);
}

// Lines count when they begin with a present volume in any letter case; a path is at most 4095
// bytes; the last line counts whole even without its line feed; bytes stay as they are.
TEST_F(PlaylistTest, PlaylistFileLinesOnMissingVolumesAreDropped) {
  const QByteArray longest = "/tmp/" + QByteArray(PlaylistFile::kMaxLineBytes - 5, 'x');
  const QByteArray tooLong = "/tmp/" + QByteArray(PlaylistFile::kMaxLineBytes - 4, 'y');
  const QByteArray content = "/tmp/a.wav\n/gone/b.wav\n/TMP/caf\xe9.wav\nrelative.wav\n\n/tmpfile.wav\n" + longest +
                             "\n" + tooLong + "\n/media/last.wav";
  const QByteArrayList lines = PlaylistFile::countedLines(content, {"/tmp/", "/media/"});
  EXPECT_EQ(lines, (QByteArrayList{"/tmp/a.wav", "/TMP/caf\xe9.wav", longest, "/media/last.wav"}));
  EXPECT_TRUE(PlaylistFile::presentVolumes().contains("/tmp/"));
}

// "Select Next Track" acts on the press and "Select Previous Track" on the release, both wrapping;
// with a filter they move among the entries shown, and the events reach the panel by their methods.
TEST_F(PlaylistTest, NextAndPreviousWrapAroundTheEntriesShown) {
  EventList events;
  panel.registerEvents(events);
  QStringList registered;
  for (const EventBinding& record : events.records()) {
    registered << QString("%1|%2|%3|%4").arg(record.zone, record.name).arg(record.type).arg(std::int32_t(record.method));
  }
  EXPECT_EQ(registered.join(";").toStdString(),
            "Media|Select Previous Track|0|-2147469302;Media|Select Next Track|0|-2147469301;"
            "Media|Load In Free Deck|0|-2147469311");
  panel.registerEvents(events);
  ASSERT_EQ(events.size(), 3u) << "registered once";
  const auto fire = [&events](const char* name, std::int32_t value) {
    for (const EventBinding& record : events.records()) {
      if (record.zone == "Media" && record.name == name && record.type == 0) record.target->invokeEvent(record.method, value);
    }
  };
  playlist.append({made("Acid Rain", "Lena", 12000), made("Boiler", "Mo", 12100), made("Cold Acid", "Nia", 12200)});
  fire("Select Next Track", 1);
  EXPECT_EQ(playlist.activeRow(), 0) << "none active: the first";
  playlist.setActiveRow(-1);
  fire("Select Previous Track", 0);
  EXPECT_EQ(playlist.activeRow(), 2) << "none active: the last";
  fire("Select Next Track", 0);
  EXPECT_EQ(playlist.activeRow(), 2) << "the release does not move it";
  fire("Select Next Track", 1);
  EXPECT_EQ(playlist.activeRow(), 0);
  fire("Select Previous Track", 1);
  EXPECT_EQ(playlist.activeRow(), 0) << "the press does not move it";
  fire("Select Previous Track", 0);
  EXPECT_EQ(playlist.activeRow(), 2);
  fire("Select Previous Track", 0);
  EXPECT_EQ(playlist.activeRow(), 1);

  panel.setFilterText("  acid ");
  EXPECT_EQ(playlist.activeRow(), 0) << "the hidden active entry gives way to the first shown";
  fire("Select Next Track", 1);
  EXPECT_EQ(playlist.activeRow(), 2);
  fire("Select Next Track", 1);
  EXPECT_EQ(playlist.activeRow(), 0);
  fire("Select Previous Track", 0);
  EXPECT_EQ(playlist.activeRow(), 2);
  panel.setFilterText("acid nia");
  EXPECT_EQ(panel.filter().rowCount(), 1);
  panel.setFilterText("zz");
  EXPECT_EQ(playlist.activeRow(), -1);
  fire("Select Next Track", 1);
  EXPECT_EQ(playlist.activeRow(), -1);
}

}  // namespace
}  // namespace gm

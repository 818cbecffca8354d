// The playlist as the DJ sees it: the rating column drawn as filled and empty stars, the "Media"
// context menu rating the active entry into the track database, and the filter box narrowing the
// rows as the DJ types.

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QtTest>

#include "core/Settings.h"
#include "library/MediaPanel.h"
#include "library/ui/PlaylistDelegate.h"
#include "library/ui/PlaylistTable.h"
#include "library/ui/PlaylistView.h"
#include "support/ScriptedRequester.h"
#include "support/TestDirectories.h"
#include "tracks/Deck.h"

using namespace gm;

namespace {

PlaylistEntry made(const QString& title, const QString& artist, std::int32_t rating, std::uint8_t key) {
  PlaylistEntry entry;
  entry.nativePath = QFile::encodeName("/tmp/" + title + ".wav");
  entry.title = title;
  entry.artist = artist;
  entry.rating = rating;
  entry.digest[0] = key;
  return entry;
}

// The centre of star k in a row's rating cell, where a filled star is solid and an empty one shows
// the background through its outline.
QPoint starCentre(PlaylistView& view, int row, int k) {
  const QRect cell = view.table().visualRect(view.table().model()->index(row, Playlist::kRating));
  const QRect area = cell.adjusted(PlaylistDelegate::kMarginPixels, 0, 0, 0);
  const RatingStars& stars = view.delegate().stars();
  const QPoint origin(area.left(), area.top() + (area.height() - stars.filled().height()) / 2);
  return stars.starRect(origin, k).center();
}

}  // namespace

class PlaylistViewTest : public QObject {
  Q_OBJECT
 private Q_SLOTS:
  void ratingsAreDrawnAsStarsAndSetFromTheMediaMenu();
  void theFilterBoxNarrowsTheRowsByTitleAndArtist();

 private:
  testing::TestDirectories dirs;
  TrackDatabase database{dirs.directories()};
  testing::ScriptedRequester requester;
  Deck deckA{0};
  Deck deckB{1};
};

void PlaylistViewTest::ratingsAreDrawnAsStarsAndSetFromTheMediaMenu() {
  Settings settings;
  MediaPanel::defineSettings(settings);
  MediaPanel panel(deckA, deckB, database, requester);
  Playlist& playlist = panel.playlist();
  playlist.append({made("Four", "A", 4, 1), made("None", "B", 0, 2), made("Five", "C", 5, 3)});
  PlaylistView view(panel, settings, dirs.directories());
  view.resize(900, 200);
  view.show();
  QVERIFY(QTest::qWaitForWindowExposed(&view));

  const QImage shown = view.table().viewport()->grab().toImage();
  const QImage& filled = view.delegate().stars().filled();
  const QColor solid = filled.pixelColor(filled.rect().center());
  const auto filledStars = [&](int row) {
    QString pattern;
    for (int k = 1; k <= RatingStars::kStars; ++k) pattern += shown.pixelColor(starCentre(view, row, k)) == solid ? '*' : '.';
    return pattern;
  };
  QCOMPARE(filledStars(0), QString("****."));
  QCOMPARE(filledStars(1), QString("....."));
  QCOMPARE(filledStars(2), QString("*****"));

  playlist.setActiveRow(1);
  std::unique_ptr<QMenu> menu(view.createMediaMenu(nullptr));
  QCOMPARE(menu->title(), QString("Media"));
  QMenu* ratings = menu->actions().front()->menu();
  QVERIFY(ratings != nullptr);
  QCOMPARE(ratings->title(), QString("Rating"));
  QStringList items;
  for (QAction* action : ratings->actions()) items << action->text() + (action->isChecked() ? " [x]" : "");
  QCOMPARE(items, QStringList({"Not worthy. Really. [x]", "Why do I keep this?", "Nothing better to play?",
                               "OK to be on my deck", "This one rocks!", "Still not played? Should be the next one."}));
  ratings->actions()[3]->trigger();
  QCOMPARE(playlist.entry(1).rating, 3);
  QCOMPARE(database.lookup(TrackDatabase::Table::Rating, playlist.entry(1).digest), 3);
  QCOMPARE(database.lookup(TrackDatabase::Table::Rating, playlist.entry(0).digest), 0);
}

void PlaylistViewTest::theFilterBoxNarrowsTheRowsByTitleAndArtist() {
  Settings settings;
  MediaPanel::defineSettings(settings);
  MediaPanel panel(deckA, deckB, database, requester);
  panel.playlist().append({made("Acid Rain", "Lena", 0, 1), made("Boiler", "Acidhead", 0, 2), made("Cold", "Nia", 0, 3)});
  PlaylistView view(panel, settings, dirs.directories());
  view.show();
  view.activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(&view));
  view.filterBox().setFocus();
  QTest::keyClicks(&view.filterBox(), "ACID");
  QCOMPARE(view.table().model()->rowCount(), 2);
  QCOMPARE(view.table().model()->index(1, Playlist::kTitle).data().toString(), QString("Boiler"));
  QTest::keyClicks(&view.filterBox(), " lena");
  QCOMPARE(view.table().model()->rowCount(), 1);
  QTest::keyClick(&view.filterBox(), Qt::Key_Escape);
  QCOMPARE(view.filterBox().text(), QString());
  QCOMPARE(view.table().model()->rowCount(), 3);
  QVERIFY(!view.filterBox().hasFocus());
}

QTEST_MAIN(PlaylistViewTest)
#include "PlaylistViewTest.moc"

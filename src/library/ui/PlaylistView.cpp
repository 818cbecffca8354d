#include "library/ui/PlaylistView.h"

#include <algorithm>

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>

#include "core/CatalogTable.h"
#include "core/Directories.h"
#include "core/Settings.h"
#include "library/MediaDirectory.h"
#include "library/MediaPanel.h"
#include "library/ui/PlaylistDelegate.h"
#include "library/ui/PlaylistTable.h"

namespace gm {
namespace {

// The widest text the time and tempo columns hold; the album and artist take a fixed number of
// average characters, the rating its stars, and the title what is left.
const char* const kWidestTime = "00:00:00";
const char* const kWidestBpm = "000.00";
constexpr int kNameColumnChars = 24;
constexpr int kCellPaddingPixels = 20;  // room for the sort arrow too

QString audioFileFilter() {
  QStringList patterns;
  for (const QByteArray& extension : MediaDirectory::audioExtensions()) patterns << "*." + QString::fromLatin1(extension);
  return msg(Msg::AudioFilesFilter).arg(patterns.join(' ')) + QStringLiteral(";;* (*)");
}

}  // namespace

PlaylistView::PlaylistView(MediaPanel& panel, Settings& settings, const Directories& directories, QWidget* parent)
    : QWidget(parent), panel_(panel), settings_(settings), directories_(directories) {
  setObjectName("playlist");
  // The filter and the buttons stand beside the rows rather than above them: at 1280 x 720 the
  // decks leave the playlist a few lines of height, and every one of them goes to the tracks.
  auto* row = new QHBoxLayout(this);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(6);
  buildTable();
  row->addWidget(table_, 1);
  row->addWidget(buildBar());
  applyColumnSettings();
  connect(&settings_, &Settings::changed, this, [this](const QString& id) {
    if (id.startsWith("PLC")) applyColumnSettings();
  });
  showActiveRow(panel_.playlist().activeRow());
}

QWidget* PlaylistView::buildBar() {
  auto* bar = new QWidget(this);
  auto* grid = new QGridLayout(bar);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setSpacing(2);
  filter_ = new QLineEdit(bar);
  filter_->setObjectName("playlist.filter");
  filter_->setPlaceholderText(msg(Msg::PlaylistFilterHint));
  filter_->setClearButtonEnabled(true);
  filter_->setFocusPolicy(Qt::ClickFocus);  // typing goes to the filter only once it was clicked
  connect(filter_, &QLineEdit::textChanged, &panel_, &MediaPanel::setFilterText);
  // Escape hands the keys back to the shortcuts.
  auto* done = new QAction(filter_);
  done->setShortcut(Qt::Key_Escape);
  done->setShortcutContext(Qt::WidgetShortcut);
  connect(done, &QAction::triggered, filter_, [this] {
    filter_->clear();
    filter_->clearFocus();
  });
  filter_->addAction(done);
  grid->addWidget(filter_, 0, 0, 1, 2);
  int place = 2;
  const auto addButton = [bar, grid, &place](const QString& text, const QString& name) {
    auto* button = new QPushButton(text, bar);
    button->setObjectName(name);
    button->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(button, place / 2, place % 2);
    ++place;
    return button;
  };
  connect(addButton(msg(Msg::EventLoadInFreeDeck), "playlist.loadInFreeDeck"), &QPushButton::clicked, &panel_,
          [this] { panel_.loadInFreeDeck(0); });
  connect(addButton(msg(Msg::MenuAddTracks), "playlist.add"), &QPushButton::clicked, this, &PlaylistView::addTracks);
  connect(addButton(msg(Msg::MenuLoadPlaylist), "playlist.load"), &QPushButton::clicked, this,
          &PlaylistView::loadPlaylist);
  connect(addButton(msg(Msg::MenuSavePlaylist), "playlist.save"), &QPushButton::clicked, this,
          &PlaylistView::savePlaylist);
  grid->setRowStretch(3, 1);
  return bar;
}

void PlaylistView::buildTable() {
  table_ = new PlaylistTable(this);
  table_->setObjectName("playlist.table");
  table_->setModel(&panel_.filter());
  delegate_ = new PlaylistDelegate(table_->fontMetrics().height() - 2, table_);
  table_->setItemDelegate(delegate_);
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setSelectionMode(QAbstractItemView::SingleSelection);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table_->setFocusPolicy(Qt::NoFocus);  // keys stay with the shortcuts; the mapped events move the list
  table_->setAlternatingRowColors(true);
  table_->setShowGrid(false);
  table_->setWordWrap(false);
  table_->verticalHeader()->hide();
  table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 4);
  QHeaderView* header = table_->horizontalHeader();
  header->setSectionsClickable(true);
  header->setHighlightSections(false);
  header->setSectionResizeMode(Playlist::kTitle, QHeaderView::Stretch);
  const QFontMetrics& metrics = table_->fontMetrics();
  const auto fitting = [&](int column, const char* widest) {
    const QString title = panel_.playlist().headerData(column, Qt::Horizontal).toString();
    const int textPixels = std::max(metrics.horizontalAdvance(widest), header->fontMetrics().horizontalAdvance(title));
    header->resizeSection(column, textPixels + kCellPaddingPixels);
  };
  fitting(Playlist::kTime, kWidestTime);
  fitting(Playlist::kBpm, kWidestBpm);
  header->resizeSection(Playlist::kAlbum, kNameColumnChars * metrics.averageCharWidth());
  header->resizeSection(Playlist::kArtist, kNameColumnChars * metrics.averageCharWidth());
  header->resizeSection(Playlist::kRating, delegate_->stars().size().width() + 2 * PlaylistDelegate::kMarginPixels);
  connect(header, &QHeaderView::sectionClicked, &panel_.playlist(), &Playlist::clickColumn);
  connect(&panel_.playlist(), &Playlist::sorted, this, &PlaylistView::showSortIndicator);
  connect(&panel_.playlist(), &Playlist::activeRowChanged, this, &PlaylistView::showActiveRow);
  connect(table_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &PlaylistView::followCurrentRow);
  connect(table_, &PlaylistTable::rowLoadedByDrop, this,
          [this](int row) { panel_.playlist().markLoaded(panel_.filter().playlistRow(row)); });
  connect(table_, &QAbstractItemView::doubleClicked, this, [this] { panel_.loadInFreeDeck(0); });
  table_->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(table_, &QWidget::customContextMenuRequested, this, &PlaylistView::openMenu);
}

void PlaylistView::showActiveRow(int playlistRow) {
  const int row = panel_.filter().shownRow(playlistRow);
  showingActive_ = true;
  if (row < 0) {
    table_->selectionModel()->clear();
  } else {
    const QModelIndex index = panel_.filter().index(row, 0);
    table_->selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    table_->scrollTo(index);
  }
  showingActive_ = false;
}

void PlaylistView::followCurrentRow(const QModelIndex& current) {
  if (showingActive_) return;
  panel_.playlist().setActiveRow(current.isValid() ? panel_.filter().playlistRow(current.row()) : -1);
}

void PlaylistView::showSortIndicator(int column, int direction) {
  QHeaderView* header = table_->horizontalHeader();
  header->setSortIndicatorShown(true);
  header->setSortIndicator(column, direction > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void PlaylistView::applyColumnSettings() {
  for (int column = 0; column < Playlist::kColumnCount; ++column) {
    table_->setColumnHidden(column, !settings_.flag(MediaPanel::columnSetting(column)));
  }
}

QMenu* PlaylistView::createMediaMenu(QWidget* parent) {
  auto* menu = new QMenu(msg(Msg::MenuMedia), parent);
  menu->setObjectName("playlist.media");
  Playlist& playlist = panel_.playlist();
  const int active = playlist.activeRow();
  QMenu* ratings = menu->addMenu(msg(Msg::MenuRating));
  ratings->setEnabled(active >= 0);
  auto* group = new QActionGroup(ratings);
  for (int rating = 0; rating <= Playlist::kMaxRating; ++rating) {
    QAction* action = ratings->addAction(Playlist::ratingName(rating), &playlist, [&playlist, rating] {
      playlist.setRating(rating);
    });
    action->setCheckable(true);
    action->setChecked(active >= 0 && playlist.entry(active).rating == rating);
    group->addAction(action);
  }
  menu->addSeparator();
  menu->addAction(msg(Msg::EventLoadInFreeDeck), &panel_, [this] { panel_.loadInFreeDeck(0); })->setEnabled(active >= 0);
  menu->addAction(msg(Msg::MenuRemove), &playlist, [&playlist] { playlist.remove(playlist.activeRow()); })
      ->setEnabled(active >= 0);
  menu->addAction(msg(Msg::MenuRemoveAll), &playlist, &Playlist::clear)->setEnabled(playlist.size() > 0);
  menu->addSeparator();
  menu->addAction(msg(Msg::MenuAddTracks), this, &PlaylistView::addTracks);
  menu->addAction(msg(Msg::MenuLoadPlaylist), this, &PlaylistView::loadPlaylist);
  menu->addAction(msg(Msg::MenuSavePlaylist), this, &PlaylistView::savePlaylist);
  return menu;
}

void PlaylistView::openMenu(const QPoint& position) {
  const QModelIndex index = table_->indexAt(position);
  if (index.isValid()) table_->setCurrentIndex(index);  // the menu acts on the row under the pointer
  QMenu* menu = createMediaMenu(this);
  menu->setAttribute(Qt::WA_DeleteOnClose);
  menu->popup(table_->viewport()->mapToGlobal(position));
}

void PlaylistView::addTracks() {
  const QString media = directories_.resolve(settings_.text(MediaPanel::kMediaPathSetting));
  const QStringList files = QFileDialog::getOpenFileNames(this, msg(Msg::AddTracksTitle), media, audioFileFilter());
  QByteArrayList paths;
  for (const QString& file : files) paths << QFile::encodeName(file);
  if (!paths.isEmpty()) panel_.addTracks(paths);
}

void PlaylistView::loadPlaylist() {
  const QString path = QFileDialog::getOpenFileName(this, msg(Msg::LoadPlaylistTitle), playlistDirectory());
  if (!path.isEmpty()) panel_.loadPlaylist(path);
}

void PlaylistView::savePlaylist() {
  const QString path = QFileDialog::getSaveFileName(this, msg(Msg::SavePlaylistTitle), playlistDirectory());
  if (!path.isEmpty()) panel_.savePlaylist(path);
}

QString PlaylistView::playlistDirectory() const {
  const QString directory = directories_.resolve(settings_.text(MediaPanel::kPlaylistPathSetting));
  Directories::ensureDir(directory);
  return directory;
}

}  // namespace gm

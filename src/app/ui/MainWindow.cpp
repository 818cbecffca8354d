#include "app/ui/MainWindow.h"

#include <cstdio>

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QStatusBar>
#include <QStyleFactory>
#include <QVBoxLayout>

#include "app/AppEvents.h"
#include "app/Application.h"
#include "app/ui/AboutWindow.h"
#include "app/ui/HistoryNoteWindow.h"
#include "app/ui/MixerStrip.h"
#include "app/ui/SettingsWindow.h"
#include "app/ui/WindowPlacement.h"
#include "core/CatalogTable.h"
#include "control/ui/EventMappingWindow.h"
#include "control/ui/ShortcutKeyFilter.h"
#include "library/ui/PlaylistView.h"
#include "plugins/ui/FilterRackView.h"
#include "recorder/ui/RecorderPanel.h"
#include "tracks/ui/DeckHeader.h"
#include "tracks/ui/DeckPanel.h"
#include "tracks/ui/TrackNavigator.h"
#include "tracks/ui/WaveformView.h"

namespace gm {
namespace {

// Height beyond the parts' minimums goes to the waveforms and the console alike: on a large screen
// the waveforms grow for beat matching by eye, and the faders grow for finer moves.
constexpr int kTrackViewsStretch = 1;
constexpr int kConsoleStretch = 1;
constexpr int kDeckPanelStretch = 3;
constexpr int kFilterRackStretch = 2;
// The first size on a screen that has the room; the window never opens larger than the screen.
constexpr QSize kPreferredSize(1400, 860);

}  // namespace

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setWindowTitle("GrooveMangler - " + msg(Msg::AppDescription));
  setObjectName("mainWindow");
  settingsWindow_ = new SettingsWindow(app_, this);
  eventMappingWindow_ = new EventMappingWindow(app_.appEvents().mapping(), this);
  aboutWindow_ = new AboutWindow(app_.versionCheck(), this);
  new ShortcutKeyFilter(*this, app_.appEvents().dispatcher());  // keys reach the shortcuts, whatever has the focus
  buildMenus();

  auto* decks = new QWidget(this);
  auto* column = new QVBoxLayout(decks);
  column->setContentsMargins(6, 4, 6, 0);
  column->setSpacing(4);
  column->addWidget(buildTrackViews(), kTrackViewsStretch);
  column->addWidget(buildConsole(), kConsoleStretch);
  setCentralWidget(buildDecksOverPlaylist(decks));

  status_ = new QLabel(this);
  status_->setObjectName("statusText");
  showStatus();
  clock_ = new QLabel(app_.clockText(), this);
  clock_->setObjectName("clock");
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(clock_);
  connect(&app_.status(), &StatusLine::shown, this, &MainWindow::showStatus);
  // Queued: the note opens over the main window, which shows once the creation is over.
  connect(&app_, &Application::historyNoteDue, this, &MainWindow::openHistoryNote, Qt::QueuedConnection);
  connect(&app_, &Application::clockChanged, clock_, &QLabel::setText);
  resize(kPreferredSize.boundedTo(screen()->availableSize()));
  trackPlacement();
}

// Goes first: windows hidden while the rest is torn down must not write their places.
MainWindow::~MainWindow() { delete placement_; }

void MainWindow::trackPlacement() {
  placement_ = new WindowPlacement(app_.directories().configDir() + "/windows.ini", this);
  placement_->track(*this);
  placement_->track(*settingsWindow_);
  placement_->track(*eventMappingWindow_);
  for (QSplitter* splitter : findChildren<QSplitter*>("decksOverPlaylist")) placement_->track(*splitter);
}

void MainWindow::buildMenus() {
  QMenu* project = menuBar()->addMenu(msg(Msg::MenuProject));
  QAction* settings = project->addAction(msg(Msg::MenuSettings));
  settings->setShortcut(QKeySequence("Ctrl+S"));
  connect(settings, &QAction::triggered, settingsWindow_, &SettingsWindow::open);
  QAction* mapping = project->addAction(msg(Msg::MenuEventMapping));
  mapping->setShortcut(QKeySequence("Ctrl+E"));
  connect(mapping, &QAction::triggered, eventMappingWindow_, &EventMappingWindow::open);
  QAction* about = project->addAction(msg(Msg::MenuAbout));
  connect(about, &QAction::triggered, aboutWindow_, &AboutWindow::open);
  project->addSeparator();
  QAction* quit = project->addAction(msg(Msg::MenuQuit));
  quit->setShortcut(QKeySequence("Ctrl+Q"));
  connect(quit, &QAction::triggered, &app_, &Application::appQuit);
}

// The decks' title lines, both scrolling waveforms across the full width (deck A above deck B) for
// beat matching by eye, and the two whole-track navigators side by side under them.
QWidget* MainWindow::buildTrackViews() {
  auto* views = new QWidget(this);
  auto* grid = new QGridLayout(views);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(8);
  grid->setVerticalSpacing(3);
  Deck& deckA = app_.deck(Application::kDeckA);
  Deck& deckB = app_.deck(Application::kDeckB);
  grid->addWidget(new DeckHeader(deckA, views), 0, 0);
  grid->addWidget(new DeckHeader(deckB, views), 0, 1);
  grid->addWidget(addDeckView(new WaveformView(deckA, views)), 1, 0, 1, 2);
  grid->addWidget(addDeckView(new WaveformView(deckB, views)), 2, 0, 1, 2);
  grid->addWidget(addDeckView(new TrackNavigator(deckA, views)), 3, 0);
  grid->addWidget(addDeckView(new TrackNavigator(deckB, views)), 3, 1);
  grid->setRowStretch(1, 1);  // the waveforms take the height the views are given
  grid->setRowStretch(2, 1);
  return views;
}

// A waveform view or navigator in the settings' colours, following them.
template <class View>
View* MainWindow::addDeckView(View* view) {
  view->setColours(app_.deckColours());
  connect(&app_, &Application::deckColoursChanged, view, &View::setColours);
  return view;
}

void MainWindow::useOpenGlViews() {
  for (WaveformView* view : findChildren<WaveformView*>()) view->useOpenGl();
  for (TrackNavigator* view : findChildren<TrackNavigator*>()) view->useOpenGl();
}

void MainWindow::showAtStart() {
  // Before the first show, so the window is made for OpenGL from the start. Without a context the
  // views keep drawing through the raster engine.
  if (app_.settings().flag(SettingId::kOpenGl)) useOpenGlViews();
  if (app_.settings().flag(SettingId::kFullScreen)) {
    showFullScreen();
  } else {
    show();
  }
}

// Deck A's panel and filter rack, the mixer strip, deck B's rack and panel, as on a club console.
// Room beyond what every part needs goes to the deck panels and the racks (longer faders, wider
// filter sliders); the mixer keeps its size.
QWidget* MainWindow::buildConsole() {
  auto* console = new QWidget(this);
  auto* row = new QHBoxLayout(console);
  row->setContentsMargins(0, 0, 0, 0);
  row->setSpacing(4);
  row->addWidget(buildDeckPanel(Application::kDeckA), kDeckPanelStretch);
  row->addWidget(buildFilterRack(Application::kDeckA), kFilterRackStretch);
  row->addWidget(new MixerStrip(app_, console), 0);
  row->addWidget(buildFilterRack(Application::kDeckB), kFilterRackStretch);
  row->addWidget(buildDeckPanel(Application::kDeckB), kDeckPanelStretch);
  return console;
}

// The playlist below the decks, on a splitter the DJ can move, with the recorder in its corner. The
// decks come first: they keep their preferred height while the window has it, and the playlist takes
// the room they leave (a few rows at 1280 x 720, a long list at full HD).
QWidget* MainWindow::buildDecksOverPlaylist(QWidget* decks) {
  auto* splitter = new QSplitter(Qt::Vertical, this);
  splitter->setObjectName("decksOverPlaylist");
  splitter->setChildrenCollapsible(false);
  auto* library = new QWidget(splitter);
  auto* row = new QHBoxLayout(library);
  row->setContentsMargins(6, 0, 6, 4);
  row->addWidget(new PlaylistView(app_.media(), app_.settings(), app_.directories(), library), 1);
  row->addWidget(new RecorderPanel(app_.recorder(), library), 0, Qt::AlignRight | Qt::AlignBottom);
  splitter->addWidget(decks);
  splitter->addWidget(library);
  splitter->setStretchFactor(0, 0);
  splitter->setStretchFactor(1, 1);
  return splitter;
}

QWidget* MainWindow::buildDeckPanel(int deck) {
  return new DeckPanel(app_.deck(deck), app_.deckControls(deck), this);
}

QWidget* MainWindow::buildFilterRack(int deck) {
  auto* rack = new FilterRackView(app_.filterRack(deck), &app_.events(), this);
  rack->setObjectName(deck == Application::kDeckA ? "deckA.filters" : "deckB.filters");
  return rack;
}

void MainWindow::showStatus() {
  status_->setText(app_.status().text());
  QFont font = status_->font();
  font.setBold(app_.status().emphasised());
  status_->setFont(font);
}

void MainWindow::openHistoryNote(const QString& text) {
  auto* note = new HistoryNoteWindow(text, this);
  note->setAttribute(Qt::WA_DeleteOnClose);
  historyNote_ = note;
  connect(note, &HistoryNoteWindow::dismissed, this, [this](bool turnedOff) {
    if (turnedOff) app_.turnHistoryNoteOff();
    activateWindow();
  });
  note->show();
}

void MainWindow::closeAll() {
  closing_ = true;
  if (!placement_->save()) std::fprintf(stderr, "GrooveMangler: the window places could not be saved.\n");
  settingsWindow_->close();
  eventMappingWindow_->close();
  aboutWindow_->close();
  if (historyNote_) historyNote_->close();
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (closing_) {
    event->accept();
    return;
  }
  event->ignore();  // the close gadget asks first, like "Quit..."
  app_.appQuit();
}

void MainWindow::applyDarkTheme() {
  QApplication::setStyle(QStyleFactory::create("Fusion"));
  QPalette palette;
  palette.setColor(QPalette::Window, QColor(37, 37, 40));
  palette.setColor(QPalette::WindowText, QColor(220, 220, 220));
  palette.setColor(QPalette::Base, QColor(24, 24, 26));
  palette.setColor(QPalette::AlternateBase, QColor(45, 45, 48));
  palette.setColor(QPalette::Text, QColor(220, 220, 220));
  palette.setColor(QPalette::PlaceholderText, QColor(130, 130, 134));  // hints in text boxes, dimmer than text
  palette.setColor(QPalette::Button, QColor(52, 52, 56));
  palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  palette.setColor(QPalette::Highlight, QColor(255, 140, 0));
  palette.setColor(QPalette::HighlightedText, Qt::black);
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(110, 110, 110));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 110, 110));
  QApplication::setPalette(palette);
}

}  // namespace gm

#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QStatusBar>
#include <QStyleFactory>
#include <QVBoxLayout>

#include "app/Application.h"
#include "core/CatalogTable.h"
#include "app/ui/MixerStrip.h"
#include "app/ui/SettingsWindow.h"
#include "plugins/ui/FilterRackView.h"
#include "tracks/ui/DeckHeader.h"
#include "tracks/ui/DeckPanel.h"
#include "tracks/ui/TrackNavigator.h"
#include "tracks/ui/WaveformView.h"

namespace gm {

MainWindow::MainWindow(Application& app, QWidget* parent) : QMainWindow(parent), app_(app) {
  setWindowTitle("GrooveMangler - " + msg(Msg::AppDescription));
  setObjectName("mainWindow");
  settingsWindow_ = new SettingsWindow(app_, this);
  buildMenus();

  auto* central = new QWidget(this);
  auto* column = new QVBoxLayout(central);
  column->setContentsMargins(6, 4, 6, 4);
  column->setSpacing(4);
  column->addWidget(buildTrackViews());
  auto* row = new QHBoxLayout;
  row->addWidget(buildDeckPanel(Application::kDeckA), 3);
  row->addWidget(new FilterRackView(app_.filterRack(Application::kDeckA), &app_.events(), this), 2);
  row->addWidget(new MixerStrip(app_, this), 2);
  row->addWidget(new FilterRackView(app_.filterRack(Application::kDeckB), &app_.events(), this), 2);
  row->addWidget(buildDeckPanel(Application::kDeckB), 3);
  column->addLayout(row, 1);
  setCentralWidget(central);

  status_ = new QLabel(app_.status().text(), this);
  status_->setObjectName("statusText");
  clock_ = new QLabel(app_.clockText(), this);
  clock_->setObjectName("clock");
  statusBar()->addWidget(status_, 1);
  statusBar()->addPermanentWidget(clock_);
  connect(&app_.status(), &StatusLine::shown, status_, &QLabel::setText);
  connect(&app_, &Application::clockChanged, clock_, &QLabel::setText);
  resize(1400, 860);
}

MainWindow::~MainWindow() = default;

void MainWindow::buildMenus() {
  QMenu* project = menuBar()->addMenu(msg(Msg::MenuProject));
  QAction* settings = project->addAction(msg(Msg::MenuSettings));
  settings->setShortcut(QKeySequence("Ctrl+S"));
  connect(settings, &QAction::triggered, settingsWindow_, &SettingsWindow::open);
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
  grid->addWidget(new WaveformView(deckA, views), 1, 0, 1, 2);
  grid->addWidget(new WaveformView(deckB, views), 2, 0, 1, 2);
  grid->addWidget(new TrackNavigator(deckA, views), 3, 0);
  grid->addWidget(new TrackNavigator(deckB, views), 3, 1);
  return views;
}

QWidget* MainWindow::buildDeckPanel(int deck) {
  return new DeckPanel(app_.deck(deck), app_.deckControls(deck), this);
}

void MainWindow::closeAll() {
  closing_ = true;
  settingsWindow_->close();
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
  palette.setColor(QPalette::Button, QColor(52, 52, 56));
  palette.setColor(QPalette::ButtonText, QColor(230, 230, 230));
  palette.setColor(QPalette::Highlight, QColor(255, 140, 0));
  palette.setColor(QPalette::HighlightedText, Qt::black);
  palette.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(110, 110, 110));
  palette.setColor(QPalette::Disabled, QPalette::WindowText, QColor(110, 110, 110));
  QApplication::setPalette(palette);
}

}  // namespace gm

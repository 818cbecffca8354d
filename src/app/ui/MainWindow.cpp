#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDial>
#include <QGridLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPalette>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyleFactory>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/CatalogTable.h"
#include "app/ui/SettingsWindow.h"
#include "app/ui/ValueBinding.h"
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
  row->addWidget(buildMixerStrip(), 2);
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
  connect(&app_, &Application::levelChanged, this, &MainWindow::showLevel);
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

QWidget* MainWindow::buildMixerStrip() {
  auto* strip = new QFrame(this);
  strip->setFrameShape(QFrame::StyledPanel);
  auto* grid = new QGridLayout(strip);
  auto addFader = [&](int deck, int column) {
    auto* fader = new QSlider(Qt::Vertical, strip);
    fader->setObjectName(deck == Application::kDeckA ? "volumeA" : "volumeB");
    fader->setMinimumHeight(180);
    ValueBinding::bind(*fader, app_.volume(deck));
    grid->addWidget(new QLabel(msg(Msg::VolumeLabel), strip), 0, column, Qt::AlignHCenter);
    grid->addWidget(fader, 1, column, Qt::AlignHCenter);
  };
  addFader(Application::kDeckA, 0);
  masterMeter_ = new QProgressBar(strip);
  masterMeter_->setObjectName("masterMeter");
  masterMeter_->setOrientation(Qt::Vertical);
  masterMeter_->setTextVisible(false);
  masterMeter_->setRange(0, 1000);
  masterMeter_->setValue(0);
  grid->addWidget(new QLabel(msg(Msg::MasterLevelLabel), strip), 0, 1, Qt::AlignHCenter);
  grid->addWidget(masterMeter_, 1, 1, Qt::AlignHCenter);
  addFader(Application::kDeckB, 2);
  grid->addWidget(buildHeadphoneControls(), 2, 0, 1, 3);
  auto* crossFader = new QSlider(Qt::Horizontal, strip);
  crossFader->setObjectName("crossFader");
  ValueBinding::bind(*crossFader, app_.crossFader());
  grid->addWidget(new QLabel(msg(Msg::CrossFaderLabel), strip), 3, 0, 1, 3, Qt::AlignHCenter);
  grid->addWidget(crossFader, 4, 0, 1, 3);
  return strip;
}

QWidget* MainWindow::buildHeadphoneControls() {
  auto* box = new QWidget(this);
  auto* grid = new QGridLayout(box);
  auto addCue = [&](int deck, int column) {
    auto* cue = new QPushButton(msg(Msg::CueButton) + (deck == Application::kDeckA ? " A" : " B"), box);
    cue->setObjectName(deck == Application::kDeckA ? "cueA" : "cueB");
    ValueBinding::bind(*cue, app_.cueButton(deck));
    grid->addWidget(cue, 0, column);
  };
  auto addLevel = [&](BoundedValue& model, Msg label, const char* name, int column) {
    auto* dial = new QDial(box);
    dial->setObjectName(name);
    dial->setFixedSize(56, 56);
    ValueBinding::bind(*dial, model);
    grid->addWidget(dial, 1, column, Qt::AlignHCenter);
    grid->addWidget(new QLabel(msg(label), box), 2, column, Qt::AlignHCenter);
  };
  addCue(Application::kDeckA, 0);
  addCue(Application::kDeckB, 1);
  addLevel(app_.headphoneMasterLevel(), Msg::HeadphoneMasterLevel, "headphoneMasterLevel", 0);
  addLevel(app_.headphoneCueLevel(), Msg::HeadphoneCueLevel, "headphoneCueLevel", 1);
  return box;
}

void MainWindow::showLevel(int level, int maximum) {
  // The meter's scale is the loudest block heard so far.
  masterMeter_->setValue(maximum > 0 ? int(1000LL * level / maximum) : 0);
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

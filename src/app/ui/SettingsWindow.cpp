#include "app/ui/SettingsWindow.h"

#include <functional>

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/Application.h"
#include "app/SettingsLayout.h"
#include "app/ui/AudioOutputsPage.h"
#include "app/ui/SettingsPage.h"
#include "core/CatalogTable.h"
#include "plugins/ui/PluginPage.h"
#include "widgets/EqualiserResponseView.h"

namespace gm {
namespace {

constexpr int kPageListMaxWidth = 150;
// Room for a plug-in list beside a preferences panel whose sliders keep a usable travel, and for
// most pages without scrolling; small enough for a 1280 x 720 screen with its panels.
constexpr QSize kDefaultSize(760, 520);

}  // namespace

SettingsWindow::SettingsWindow(Application& app, QWidget* parent) : QWidget(parent, Qt::Window), app_(app) {
  setWindowTitle(msg(Msg::SettingsTitle));
  setObjectName("WSET");
  pageList_ = new QListWidget(this);
  pageList_->setObjectName("pageList");
  pageList_->setMaximumWidth(kPageListMaxWidth);
  pages_ = new QStackedWidget(this);
  connect(pageList_, &QListWidget::currentRowChanged, pages_, &QStackedWidget::setCurrentIndex);

  auto* body = new QHBoxLayout;
  body->addWidget(pageList_);
  body->addWidget(pages_, 1);
  auto* column = new QVBoxLayout(this);
  column->addLayout(body, 1);
  column->addWidget(buildButtons());

  for (const SettingsPageLayout& layout : settingsPages()) addPage(msg(layout.title), buildPage(layout));
  pageList_->setCurrentRow(0);
  resize(kDefaultSize);
}

QWidget* SettingsWindow::buildPage(const SettingsPageLayout& layout) {
  using Content = SettingsPageLayout::Content;
  switch (layout.content) {
    case Content::AudioOutputs:
      return new AudioOutputsPage(app_.settings(), app_.backend(), this);
    case Content::BeatDetectors:
      return new PluginPage(app_.pluginHost(), "BeatDetectors", this);
    case Content::Filters:
      return new PluginPage(app_.pluginHost(), "Filters", this);
    case Content::Rows:
      break;
  }
  const Directories& directories = app_.directories();
  auto* page = new SettingsPage(layout, app_.settings(), [&directories](const QString& path) { return directories.resolve(path); },
                                this);
  if (layout.title == Msg::PageEqualizer) {
    equaliserPage_ = page;
    addEqualiserDisplay(*page);
  }
  return page;
}

// The bands' reach, over the sliders that set it: it follows what the decks run with.
void SettingsWindow::addEqualiserDisplay(SettingsPage& page) {
  auto* display = new EqualiserResponseView(&page);
  display->setObjectName("equaliserResponse");
  display->setEqualiserSettings(app_.deck(Application::kDeckA).equaliserSettings());
  connect(&app_, &Application::equaliserApplied, display, &EqualiserResponseView::setEqualiserSettings);
  page.headerLayout()->addWidget(display);
}

void SettingsWindow::addPage(const QString& title, QWidget* page) {
  auto* scroller = new QScrollArea(pages_);
  scroller->setObjectName(page->objectName().isEmpty() ? title : page->objectName());
  scroller->setWidget(page);
  scroller->setWidgetResizable(true);
  scroller->setFrameShape(QFrame::NoFrame);
  pageList_->addItem(title);
  pages_->addWidget(scroller);
}

void SettingsWindow::open() {
  // Opened the first time, the window comes up over the middle of the main window, where the DJ
  // looks (unless it has a place kept from an earlier session); later it opens where the DJ left it.
  if (!openedBefore_ && parentWidget() != nullptr) {
    move(parentWidget()->frameGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  openedBefore_ = true;
  show();
  raise();
  activateWindow();
}

void SettingsWindow::closeEvent(QCloseEvent* event) {
  if (!closingByButton_ && isVisible()) app_.cancelSettings();
  closingByButton_ = false;
  QWidget::closeEvent(event);
}

QWidget* SettingsWindow::buildButtons() {
  auto* row = new QWidget(this);
  auto* layout = new QHBoxLayout(row);
  auto addButton = [&](Msg label, Msg help, const char* name, std::function<void()> action) {
    auto* button = new QPushButton("&" + msg(label), row);
    button->setObjectName(name);
    button->setToolTip(msg(help));
    layout->addWidget(button);
    connect(button, &QPushButton::clicked, this, [this, action = std::move(action)] {
      action();
      closingByButton_ = true;
      close();
    });
  };
  addButton(Msg::SaveButton, Msg::SaveHelp, "save", [this] { app_.saveSettings(); });
  layout->addStretch(1);
  addButton(Msg::UseButton, Msg::UseHelp, "use", [this] { app_.useSettings(); });
  layout->addStretch(1);
  addButton(Msg::CancelButton, Msg::CancelHelp, "cancel", [this] { app_.cancelSettings(); });
  return row;
}

}  // namespace gm

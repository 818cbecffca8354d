#include "app/ui/SettingsWindow.h"

#include <functional>

#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/Application.h"
#include "core/CatalogTable.h"
#include "app/ui/AudioOutputsPage.h"
#include "plugins/ui/PluginPage.h"

namespace gm {
namespace {

constexpr int kPageListMaxWidth = 150;
// Room for a plug-in list beside a preferences panel whose sliders keep a usable travel.
constexpr QSize kDefaultSize(760, 420);

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

  addPage(msg(Msg::PageAudioOutputs), new AudioOutputsPage(app_.settings(), app_.backend(), this));
  addPage(msg(Msg::PageBeatDetectors), new PluginPage(app_.pluginHost(), "BeatDetectors", this));
  addPage(msg(Msg::PageFilters), new PluginPage(app_.pluginHost(), "Filters", this));
  pageList_->setCurrentRow(0);
  resize(kDefaultSize);
}

void SettingsWindow::addPage(const QString& title, QWidget* page) {
  pageList_->addItem(title);
  pages_->addWidget(page);
}

void SettingsWindow::open() {
  // Opened afresh, the window comes up over the middle of the main window, where the DJ looks;
  // already open, it stays where the DJ put it.
  if (!isVisible() && parentWidget() != nullptr) {
    move(parentWidget()->frameGeometry().center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
  }
  show();
  raise();
  activateWindow();
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

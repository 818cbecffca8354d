#include "plugins/ui/PluginPage.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QSplitter>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "core/CatalogTable.h"
#include "plugins/PluginList.h"
#include "plugins/PluginObject.h"
#include "plugins/ui/PanelBuilder.h"

namespace gm {

PluginPage::PluginPage(const PluginHost& host, const QString& directory, QWidget* parent)
    : QWidget(parent), list_(std::make_unique<PluginList>(host, directory)) {
  auto* layout = new QHBoxLayout(this);
  auto* splitter = new QSplitter(Qt::Horizontal, this);
  layout->addWidget(splitter);

  view_ = new QTreeWidget(splitter);
  view_->setColumnCount(2);
  view_->setHeaderLabels({msg(Msg::PluginNameColumn), msg(Msg::PluginVersionColumn)});
  view_->setRootIsDecorated(false);
  view_->header()->setStretchLastSection(false);
  view_->header()->setSectionResizeMode(0, QHeaderView::Stretch);
  view_->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
  for (const PluginList::Entry& entry : list_->entries()) {
    new QTreeWidgetItem(view_, QStringList{entry.name, entry.versionText});
  }
  view_->setCurrentItem(nullptr);
  view_->clearSelection();

  container_ = new QWidget(splitter);
  auto* containerLayout = new QVBoxLayout(container_);
  containerLayout->setContentsMargins(0, 0, 0, 0);
  placeholder_ = new QWidget(container_);
  containerLayout->addWidget(placeholder_);
  shown_ = placeholder_;

  splitter->setStretchFactor(0, 33);
  splitter->setStretchFactor(1, 66);
  connect(view_, &QTreeWidget::currentItemChanged, this, [this] { showActive(); });
}

PluginPage::~PluginPage() {
  // Panels go before the plug-in objects whose models they show.
  for (auto& [row, panel] : panels_) delete panel;
  panels_.clear();
}

void PluginPage::showActive() {
  const int row = view_->currentItem() != nullptr ? view_->indexOfTopLevelItem(view_->currentItem()) : -1;
  if (row < 0 || std::size_t(row) >= list_->entries().size()) return;
  auto found = panels_.find(row);
  if (found == panels_.end()) {
    PanelModel* model = list_->plugin(std::size_t(row)).prefsPanel();
    if (model == nullptr) return;
    found = panels_.emplace(row, PanelBuilder::build(*model, container_)).first;
    found->second->hide();
  }
  showPanel(found->second);
}

void PluginPage::showPanel(QWidget* panel) {
  if (panel == shown_) return;
  auto* layout = static_cast<QVBoxLayout*>(container_->layout());
  layout->removeWidget(shown_);
  shown_->hide();
  layout->addWidget(panel);
  panel->show();
  shown_ = panel;
}

}  // namespace gm

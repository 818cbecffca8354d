#include "plugins/ui/FilterRackView.h"

#include <QFrame>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/CatalogTable.h"
#include "widgets/ValueBinding.h"
#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/ui/PanelBuilder.h"

namespace gm {
namespace {

QWidget* slotGroup(FilterSlot& slot, QWidget* parent) {
  auto* group = new QGroupBox(slot.name(), parent);
  auto* row = new QHBoxLayout(group);
  auto* switchColumn = new QVBoxLayout;
  auto* on = new QPushButton(msg(Msg::FilterOnButton), group);
  ValueBinding::bind(*on, slot.on());
  switchColumn->addStretch(1);
  switchColumn->addWidget(on);
  switchColumn->addStretch(1);
  row->addLayout(switchColumn, 0);
  auto* bar = new QFrame(group);
  bar->setFrameShape(QFrame::VLine);
  bar->setFrameShadow(QFrame::Sunken);
  row->addWidget(bar, 0);
  row->addWidget(PanelBuilder::build(slot.controlsPanel(), group), 1);
  return group;
}

}  // namespace

FilterRackView::FilterRackView(FilterRack& rack, EventList* events, QWidget* parent)
    : QScrollArea(parent), rack_(rack), events_(events) {
  auto* inner = new QWidget(this);
  auto* column = new QVBoxLayout(inner);
  for (const auto& slot : rack.slots()) column->addWidget(slotGroup(*slot, inner));
  column->addStretch(1);
  setWidget(inner);
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
}

void FilterRackView::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  if (events_ != nullptr) rack_.registerEvents(*events_);  // each slot registers once only
}

}  // namespace gm

#include "plugins/ui/FilterRackView.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include "core/CatalogTable.h"
#include "plugins/FilterRack.h"
#include "plugins/FilterSlot.h"
#include "plugins/ui/PanelBuilder.h"
#include "widgets/ConsoleStyle.h"
#include "widgets/ValueBinding.h"

namespace gm {
namespace {

// The rack's own look on top of the console's shared keys: each slot a slightly lighter tile.
const char* const kRackRules = R"(
QFrame[role="slot"] { background: #2a2a30; border: 1px solid #3e3e46; border-radius: 4px; }
QPushButton { padding: 2px 8px; font-size: 8pt; font-weight: bold; }
QLabel { font-size: 8pt; }
QLabel[role="slotName"] { color: #e6e6e6; font-size: 9pt; font-weight: bold; }
QLabel[role="caption"] { color: #8a8a94; font-size: 8pt; font-weight: bold; }
)";

QWidget* slotView(FilterSlot& slot, QWidget* parent) {
  auto* tile = new QFrame(parent);
  tile->setObjectName("filterSlot");
  tile->setProperty("role", "slot");
  auto* column = new QVBoxLayout(tile);
  column->setContentsMargins(6, 5, 6, 6);
  column->setSpacing(3);
  auto* header = new QHBoxLayout;
  header->setSpacing(6);
  auto* on = new QPushButton(msg(Msg::FilterOnButton), tile);
  on->setObjectName("on");
  on->setFocusPolicy(Qt::NoFocus);  // keys belong to the mapped shortcuts, not to the last button
  ValueBinding::bind(*on, slot.on());
  auto* name = new QLabel(slot.name(), tile);
  name->setObjectName("name");
  name->setProperty("role", "slotName");
  header->addWidget(on);
  header->addWidget(name, 1);
  column->addLayout(header);
  column->addWidget(PanelBuilder::build(slot.controlsPanel(), tile, PanelBuilder::Arrangement::Stacked));
  return tile;
}

}  // namespace

FilterRackView::FilterRackView(FilterRack& rack, EventList* events, QWidget* parent)
    : QScrollArea(parent), rack_(rack), events_(events) {
  setStyleSheet(console_style::buttonSheet(kRackRules));
  auto* inner = new QWidget(this);
  auto* column = new QVBoxLayout(inner);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(6);
  auto* caption = new QLabel(rack.zone().toUpper(), inner);
  caption->setProperty("role", "caption");
  column->addWidget(caption);
  for (const auto& slot : rack.slots()) column->addWidget(slotView(*slot, inner));
  column->addStretch(1);
  setWidget(inner);
  setWidgetResizable(true);
  setFrameShape(QFrame::NoFrame);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  setFocusPolicy(Qt::NoFocus);  // arrow keys belong to the shortcuts, not to scrolling the rack
}

int FilterRackView::widthForSlots() const {
  // Room for the vertical scroll bar is kept whether it shows or not, so its coming never cuts a slot.
  return widget()->minimumSizeHint().width() + 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
}

QSize FilterRackView::minimumSizeHint() const {
  return {widthForSlots(), QScrollArea::minimumSizeHint().height()};
}

QSize FilterRackView::sizeHint() const {
  return {widthForSlots(), widget()->sizeHint().height() + 2 * frameWidth()};
}

void FilterRackView::showEvent(QShowEvent* event) {
  QScrollArea::showEvent(event);
  if (events_ != nullptr) rack_.registerEvents(*events_);  // each slot registers once only
}

}  // namespace gm

#pragma once
// Shows a deck's filter rack: a scrolling column of one framed group per slot, titled with the
// plug-in's name, holding the "On" toggle and the plug-in's controls panel. The slots register
// their events the first time the rack is shown.

#include <QScrollArea>

namespace gm {

class EventList;
class FilterRack;

class FilterRackView : public QScrollArea {
  Q_OBJECT
 public:
  // `events` may be null (no event registration). Rack and list must outlive the view.
  FilterRackView(FilterRack& rack, EventList* events, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  FilterRack& rack_;
  EventList* events_;
};

}  // namespace gm

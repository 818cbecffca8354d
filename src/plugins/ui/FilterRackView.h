#pragma once
// Shows a deck's filter rack: a column of one framed slot per plug-in, headed by its "On" toggle
// and its name, with the plug-in's controls stacked under them. The rack is always as wide as its
// slots need, so no control is ever cut at the side; a rack taller than its room scrolls up and
// down. The slots register their events the first time the rack is shown.

#include <QScrollArea>

namespace gm {

class EventList;
class FilterRack;

class FilterRackView : public QScrollArea {
  Q_OBJECT
 public:
  // `events` may be null (no event registration). Rack and list must outlive the view.
  FilterRackView(FilterRack& rack, EventList* events, QWidget* parent = nullptr);

  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  int widthForSlots() const;

  FilterRack& rack_;
  EventList* events_;
};

}  // namespace gm

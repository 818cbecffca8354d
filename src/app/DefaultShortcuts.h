#pragma once
// The keyboard shortcuts a new user starts with, until the first mapping is saved: deck A under the
// left hand, deck B under the right, the cross-fader between them.
//
//   deck A: a sync   s cue   d play/pause   f set cue   q/w pitch -/+   e/r bend -/+
//           1 2 3 4 loop 1, 2, 4, 8 beats   5 loop stop   z/x loop /2, x2
//   deck B: ; sync   l cue   k play/pause   j set cue   o/p pitch -/+   u/i bend -/+
//           6 7 8 9 loop 1, 2, 4, 8 beats   0 loop stop   m/, loop /2, x2
//   mixer:  v/b/n cross-fader left, centre, right

namespace gm {

class EventList;

class DefaultShortcuts {
 public:
  // [main-thread] Gives each event of the table its shortcut, unless it has one.
  static void apply(EventList& events);
};

}  // namespace gm

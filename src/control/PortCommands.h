#pragma once
// The nineteen deck and mixer commands of the command port: each decodes its keywords into one
// remote action on the current deck. Keywords compare as whole words without regard to case; every
// keyword of a command is compared and the last match wins. A word that is no keyword makes the
// command do nothing (answered with kNothingDone), as do PITCHINCREASE, PITCHDECREASE and SETPITCH.

#include "control/CommandTable.h"
#include "control/RemoteActionTarget.h"

namespace gm {

class PortCommands {
 public:
  // [main-thread] Adds the commands to `table` in the port's order: USE, SETGAIN, CUTGAIN, SETVOL,
  // MUTE, PLAY, PAUSE, REWIND, TOGGLEPLAY, REVERSE, SAMPLESEEK, SETCUE, CUE, BPM, SYNC, DISPLAY,
  // PITCHINCREASE, PITCHDECREASE, SETPITCH. `target` must outlive the table.
  static void addTo(CommandTable& table, RemoteActionTarget& target);
};

}  // namespace gm

#pragma once
// Commands of the port beyond the nineteen deck and mixer commands, for scripts and shells that
// drive a program without windows:
//   LOAD path          loads a file into the current deck (the path as the system's bytes; quoted
//                      or as the rest of the line)
//   OPEN path          loads a file opened from the desktop: into deck A, or into deck B while deck A
//                      plays or is still loading (so that two files opened together fill both decks)
//   STATUS             one line describing both decks and the mixer (see MixStatus)
//   EVENT zone name n  fires a registered event (as a key or controller bound to it would)
//   CROSSFADER n       moves the cross-fader to n, -60 (deck A only) .. 60 (deck B only)
//   QUIT               ends the program as SIGTERM does: a confirmed quit without asking

#include "control/CommandTable.h"

namespace gm {

class Application;
class RemoteActions;

class ExtraPortCommands {
 public:
  // [main-thread] Adds the commands at the end of `table`; app and actions must outlive it.
  static void addTo(CommandTable& table, Application& app, RemoteActions& actions);

 private:
  static CommandReply load(Application& app, int deckNumber, const QByteArray& path);
  static int openTarget(Application& app);
  static CommandReply fireEvent(Application& app, const CommandTable::Arguments& args);
};

}  // namespace gm

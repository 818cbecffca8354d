#pragma once
// The program's command line: GrooveMangler [--headless] [--progdir DIR] [--home DIR] [TRACK_A [TRACK_B]],
// or GrooveMangler [--headless] [--progdir DIR] [--home DIR] --open [FILE [FILE]],
// or GrooveMangler --send CMD [CMD...].
// or GrooveMangler --analyse [--jobs N] [--progdir DIR] [--home DIR] FILE|DIR...

#include <QByteArrayList>
#include <QString>

namespace gm {

struct CommandLine {
  bool headless = false;
  bool help = false;
  bool version = false;
  // --send CMD...: the command lines to send to the running program (the arguments' bytes).
  bool send = false;
  QByteArrayList commands;
  // --open [FILE...]: hand the files to the program already running, or start with them when none
  // runs (how the desktop opens files, so that a second click does not start a second mixer).
  bool open = false;
  bool analyse = false;  // prepare the files named, without window or audio
  int jobs = 0;          // files analysed at once; 0: one per core
  QString programDir;  // empty: environment or the executable's directory
  QString homeDir;     // empty: environment or $XDG_DATA_HOME/GrooveMangler
  // Tracks for deck A and deck B (at most two), or the files and directories to analyse: the names'
  // bytes exactly as given, since a file's name need not be text in any encoding.
  QByteArrayList files;
  QString error;       // set when the line cannot be understood

  static CommandLine parse(int argc, const char* const* argv);
  static QString usage();
};

}  // namespace gm

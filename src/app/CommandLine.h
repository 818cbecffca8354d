#pragma once
// The program's command line: GrooveMangler [--headless] [--progdir DIR] [--home DIR] [FILE...].

#include <QString>
#include <QStringList>

namespace gm {

struct CommandLine {
  bool headless = false;
  bool help = false;
  bool version = false;
  QString programDir;  // empty: environment or the executable's directory
  QString homeDir;     // empty: environment or $XDG_DATA_HOME/GrooveMangler
  QStringList files;   // audio files for deck A and deck B
  QString error;       // set when the line cannot be understood

  static CommandLine parse(int argc, const char* const* argv);
  static QString usage();
};

}  // namespace gm

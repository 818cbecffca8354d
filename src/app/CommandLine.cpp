#include "app/CommandLine.h"

namespace gm {
namespace {

// Reads the value of "--name VALUE" or "--name=VALUE"; false when the option is not `name`.
bool takeValue(const QString& name, const QStringList& args, int& index, QString& value, QString& error) {
  const QString arg = args[index];
  if (arg.startsWith(name + "=")) {
    value = arg.mid(name.size() + 1);
  } else if (arg == name) {
    if (index + 1 >= args.size()) {
      error = QString("option %1 needs a directory").arg(name);
      return true;
    }
    value = args[++index];
  } else {
    return false;
  }
  if (value.isEmpty()) error = QString("option %1 needs a directory").arg(name);
  return true;
}

// A track for the next deck, its name kept as the bytes given.
void addFile(CommandLine& line, const char* name) {
  if (*name == '\0') {
    line.error = QStringLiteral("an empty argument names no track");
  } else if (line.files.size() == 2) {
    line.error = QStringLiteral("too many tracks: at most two, one for each deck");
  } else {
    line.files << QByteArray(name);
  }
}

}  // namespace

CommandLine CommandLine::parse(int argc, const char* const* argv) {
  CommandLine line;
  QStringList args;
  for (int i = 1; i < argc; ++i) args << QString::fromLocal8Bit(argv[i]);
  bool onlyFiles = false;
  for (int i = 0; i < args.size() && line.error.isEmpty(); ++i) {
    const QString& arg = args[i];
    if (onlyFiles || !arg.startsWith('-') || arg == "-") {
      addFile(line, argv[i + 1]);
    } else if (arg == "--") {
      onlyFiles = true;
    } else if (arg == "--headless") {
      line.headless = true;
    } else if (arg == "-h" || arg == "--help") {
      line.help = true;
    } else if (arg == "--version") {
      line.version = true;
    } else if (arg == "--send") {
      // Everything after it is a command, whatever it looks like.
      line.send = true;
      for (int j = i + 2; j < argc; ++j) line.commands << QByteArray(argv[j]);
      if (line.commands.isEmpty()) line.error = QStringLiteral("option --send needs a command");
      break;
    } else if (!takeValue("--progdir", args, i, line.programDir, line.error) &&
               !takeValue("--home", args, i, line.homeDir, line.error)) {
      line.error = QString("unknown option %1").arg(arg);
    }
  }
  return line;
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: GrooveMangler [OPTIONS] [TRACK_A [TRACK_B]]\n"
      "A two-deck DJ music mixer.\n"
      "\n"
      "  TRACK_A, TRACK_B   audio files to load into deck A and deck B at start\n"
      "  --headless         run without windows: audio, mixer and command port only;\n"
      "                     status messages go to standard error; SIGINT or SIGTERM ends it\n"
      "  --progdir DIR      program directory with Filters/, BeatDetectors/ and catalogs\n"
      "                     (default: $GROOVEMANGLER_PROGDIR, else the executable's directory)\n"
      "  --home DIR         directory for the user's data: Keyledger/, Config/, Cache/,\n"
      "                     Recordings/, Playlists/ and plug-in preferences\n"
      "                     (default: $GROOVEMANGLER_HOME, else $XDG_DATA_HOME/GrooveMangler)\n"
      "  --send CMD...      send each CMD as one command line to the running program's\n"
      "                     command port and print one reply line for each; the exit\n"
      "                     status is 0 when every reply is 0, else the first reply's\n"
      "                     code that is not 0, or 69 when no program answers\n"
      "  --version          print the version and exit\n"
      "  -h, --help         print this help and exit\n"
      "\n"
      "Settings: $XDG_CONFIG_HOME/GrooveMangler/settings.ini (saved) and\n"
      "$XDG_RUNTIME_DIR/groovemangler/settings.ini (in use, lost at reboot).\n");
}

}  // namespace gm

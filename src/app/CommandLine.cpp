#include "app/CommandLine.h"

namespace gm {
namespace {

// The most analyses run at once.
constexpr int kMaxJobs = 256;

// Reads the value of "--name VALUE" or "--name=VALUE"; false when the option is not `name`.
bool takeValue(const QString& name, const QStringList& args, int& index, QString& value, QString& error,
               const QString& what = QStringLiteral("a directory")) {
  const QString arg = args[index];
  if (arg.startsWith(name + "=")) {
    value = arg.mid(name.size() + 1);
  } else if (arg == name) {
    if (index + 1 >= args.size()) {
      error = QString("option %1 needs %2").arg(name, what);
      return true;
    }
    value = args[++index];
  } else {
    return false;
  }
  if (value.isEmpty()) error = QString("option %1 needs %2").arg(name, what);
  return true;
}

bool takeJobs(const QStringList& args, int& index, CommandLine& line) {
  QString text;
  if (!takeValue("--jobs", args, index, text, line.error, QString("a number from 1 to %1").arg(kMaxJobs))) return false;
  bool number = false;
  line.jobs = text.toInt(&number);
  if (line.error.isEmpty() && (!number || line.jobs < 1 || line.jobs > kMaxJobs)) {
    line.error = QString("option --jobs needs a number from 1 to %1").arg(kMaxJobs);
  }
  return true;
}

// What only makes sense together, checked once every argument is read.
void checkCombination(CommandLine& line) {
  if (!line.error.isEmpty()) return;
  if (line.analyse && line.files.isEmpty()) {
    line.error = QStringLiteral("option --analyse needs files or directories to analyse");
  } else if (line.analyse && line.open) {
    line.error = QStringLiteral("option --open does not go with --analyse");
  } else if (!line.analyse && line.jobs != 0) {
    line.error = QStringLiteral("option --jobs goes with --analyse");
  } else if (!line.analyse && line.files.size() > 2) {
    line.error = QStringLiteral("too many tracks: at most two, one for each deck");
  }
}

// A track for the next deck, or a file or directory to analyse, its name kept as the bytes given.
void addFile(CommandLine& line, const char* name) {
  if (*name == '\0') {
    line.error = QStringLiteral("an empty argument names no track");
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
    } else if (arg == "--open") {
      // Everything after it is a file, so that a desktop's file names can never read as options.
      line.open = true;
      for (int j = i + 2; j < argc && line.error.isEmpty(); ++j) addFile(line, argv[j]);
      break;
    } else if (arg == "--analyse") {
      line.analyse = true;
    } else if (!takeJobs(args, i, line) && !takeValue("--progdir", args, i, line.programDir, line.error) &&
               !takeValue("--home", args, i, line.homeDir, line.error)) {
      line.error = QString("unknown option %1").arg(arg);
    }
  }
  checkCombination(line);
  return line;
}

QString CommandLine::usage() {
  return QStringLiteral(
      "Usage: GrooveMangler [OPTIONS] [TRACK_A [TRACK_B]]\n"
      "       GrooveMangler [OPTIONS] --open [FILE [FILE]]\n"
      "       GrooveMangler --send CMD...\n"
      "       GrooveMangler --analyse [--jobs N] [--progdir DIR] [--home DIR] FILE|DIR...\n"
      "A two-deck DJ music mixer.\n"
      "\n"
      "  TRACK_A, TRACK_B   audio files to load into deck A and deck B at start\n"
      "  --open [FILE...]   open at most two files as the desktop does: when GrooveMangler\n"
      "                     runs already, hand each to it (into deck A, or into deck B\n"
      "                     while deck A plays or loads) and end, with status 0 when it\n"
      "                     took them all; else start with them, the first in deck A\n"
      "                     and the second in deck B\n"
      "  --analyse          prepare tracks without window or audio, as loading them would:\n"
      "                     key, tempo, play time, and the bands in the waveform cache;\n"
      "                     directories are searched for audio files by extension; prints\n"
      "                     KEY, TEMPO, SECONDS and FILE per track; exit status 1 when a\n"
      "                     file failed\n"
      "  --jobs N           analyse N files at once (default: one per processor core)\n"
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

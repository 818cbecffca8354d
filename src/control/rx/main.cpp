// GrooveMangler-rx SCRIPT [ARG]: runs a REXX script that can talk to the running GrooveMangler
// through its command port (see RexxRunner).

#include <cstdio>
#include <cstring>

#include <QFile>

#include "control/rx/RexxRunner.h"
#include "core/Directories.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3 || std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0) {
    std::fprintf(argc < 2 || argc > 3 ? stderr : stdout,
                 "Usage: GrooveMangler-rx SCRIPT [ARG]\n"
                 "Runs a REXX script; commands it addresses to GROOVEMANGLER go to the running\n"
                 "GrooveMangler's command port.\n");
    return argc < 2 || argc > 3 ? 2 : 0;
  }
  const gm::Directories dirs = gm::Directories::resolve({}, {}, QString::fromLocal8Bit(argv[0]));
  gm::RexxRunner runner(QFile::encodeName(dirs.clientSocketPath()).toStdString());
  return runner.run(argv[1], argc == 3 ? argv[2] : nullptr);
}

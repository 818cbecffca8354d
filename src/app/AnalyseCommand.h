#pragma once
// `GrooveMangler --analyse [--jobs N] FILE|DIR...`: prepares tracks without window or audio, as
// loading each into a deck would: its key, its tempo (unless its script sets one), its play time in
// the track database, and its bands in the waveform cache, so that the decks later find them there.
// The cache is the one the saved settings name. It is written whether or not the settings turn
// caching on: preparing tracks is what the command is for, and the decks read the cache either way.

#include "app/CommandLine.h"
#include "core/Directories.h"

namespace gm {

class AnalyseCommand {
 public:
  // The exit status: 0 when every file was prepared, 1 when one was not or the cache cannot be had.
  static int run(const CommandLine& line, const Directories& directories);

  // The processor cores this process may use.
  static int usableCores();
};

}  // namespace gm

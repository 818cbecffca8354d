#pragma once
// The audio files among the files and directories a user names: a named file is taken whatever its
// name (the decoder says whether it is audio); a directory is walked, with its subdirectories, for
// regular files whose extension is one of the formats the decoder reads (hidden entries left out).
// Trying the decoder on every file of a music folder instead would report every cover picture and
// playlist as a failure. Names
// stay the system's bytes; entries come in byte order of their names, directory by directory; a file
// reached twice (named twice, or through a link) is taken once, and a link back up the tree is not
// followed round.

#include <string>
#include <string_view>
#include <vector>

#include <QString>

namespace gm {

class AudioFileFinder {
 public:
  struct Problem {
    std::string path;
    QString reason;
  };
  struct Found {
    std::vector<std::string> files;
    std::vector<Problem> problems;  // directories that could not be read
  };

  // [any-thread] True when `name` ends in an extension of a format the decoder reads ("mp3",
  // "FLAC", ...; case does not matter).
  static bool hasAudioExtension(std::string_view name);

  // [any-thread] The files to analyse for `paths`, in the order given.
  static Found find(const std::vector<std::string>& paths);
};

}  // namespace gm

#pragma once
// The per-track script: a REXX program, run when its track is loaded, that replays the track's
// tempo and cue point through the command port. The program writes it on "Save BPM & Cue"; users
// may edit it.

#include <cstdint>

#include <QByteArray>
#include <QString>

namespace gm {

class TrackScript {
 public:
  // The script's text for a tempo in hundredths of BPM and a cue point in frames: every line ends
  // with a line feed, the last one is "END".
  static QByteArray text(std::int32_t bpm, std::int32_t cueFrame);

  // [any-thread] Replaces the file at `path` by the script, whole or not at all. False, with
  // `error` saying why, when it could not.
  static bool write(const QString& path, std::int32_t bpm, std::int32_t cueFrame, QString* error = nullptr);
};

}  // namespace gm

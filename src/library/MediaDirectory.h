#pragma once
// The audio files of a media directory and its sub-folders, found by their names' extensions so that
// a folder of artwork, notes and videos costs no decoding. Names are the system's bytes throughout.

#include <functional>

#include <QByteArray>
#include <QByteArrayList>

namespace gm {

class MediaDirectory {
 public:
  // [loader-thread] Calls `found` with the path of every audio file below `directory`: a folder's
  // files first, in name order, then its sub-folders, one after the other. Symbolic links are
  // followed, each folder is visited once (a link back up the tree does not loop). Stops early once
  // `stopped` returns true.
  static void walk(const QByteArray& directory, const std::function<void(const QByteArray& path)>& found,
                   const std::function<bool()>& stopped);

  // The file's name ends with the extension of an audio format the decoder reads ("x.FLAC" too).
  static bool looksLikeAudio(const QByteArray& fileName);
  // Those extensions, in lower case without the dot ("wav", "flac", ...).
  static const QByteArrayList& audioExtensions();
};

}  // namespace gm

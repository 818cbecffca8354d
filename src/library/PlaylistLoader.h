#pragma once
// The playlist's loader thread, "GrooveMangler Auto Loader": it opens and probes the files added to
// the playlist and reads their stored values, so that a folder of thousands of tracks never holds up
// the window. Built entries reach the playlist in small batches posted to the main thread, so the
// list fills as the files are read. Requests run one after the other, in the order they were made.

#include <QByteArray>
#include <QByteArrayList>
#include <QElapsedTimer>
#include <QObject>
#include <QString>

#include <vector>

#include "core/Worker.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/TrackDatabase.h"

namespace gm {

class Playlist;
class Requester;

class PlaylistLoader : public QObject {
  Q_OBJECT
 public:
  // What happens to a file that is not a directory and from which no entry can be built.
  enum class Refusal {
    Ask,    // the "Error" requester names it; the next file is read once it is closed
    Count,  // it is counted, and one notice says how many were left out
  };

  // `playlist` and `requester` outlive the loader.
  PlaylistLoader(Playlist& playlist, TrackDatabase database, Requester& requester, QObject* parent = nullptr);
  ~PlaylistLoader() override;

  // [main-thread] Appends the files in order; paths that do not exist and directories are skipped.
  void addFiles(const QByteArrayList& paths, Refusal refusal);
  // [main-thread] Appends the files a playlist file names (read on the loader thread).
  void addPlaylistFile(const QString& path);
  // [main-thread] Appends the audio files of a directory and its sub-folders.
  void addDirectory(const QByteArray& directory);
  // [main-thread] Blocks until every request made so far has been read (tests and benchmarks; the
  // entries arrive through posts that the event loop still has to run).
  void waitIdle() { worker_.waitIdle(); }

 Q_SIGNALS:
  void notice(const QString& text);

 private:
  // What one request has read so far.
  struct Batch {
    std::vector<PlaylistEntry> entries;
    QElapsedTimer sincePosted;
    int refused = 0;
  };

  // [loader-thread] False when the request should end (the loader is stopping).
  bool addFile(const QByteArray& path, Refusal refusal, Batch& batch);
  void post(Batch& batch);
  void finish(Batch& batch);
  bool askAbout(const QByteArray& path);

  Playlist& playlist_;
  const TrackDatabase database_;
  Requester& requester_;
  Worker worker_{"GrooveMangler Auto Loader"};  // last: its thread ends before the rest goes
};

}  // namespace gm

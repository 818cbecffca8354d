#include "library/PlaylistLoader.h"

#include <sys/stat.h>

#include <chrono>
#include <future>
#include <memory>

#include <QFile>

#include "core/CatalogTable.h"
#include "core/MainThread.h"
#include "core/Requester.h"
#include "library/MediaDirectory.h"
#include "library/Playlist.h"
#include "library/PlaylistFile.h"

namespace gm {
namespace {

// Entries are handed over at least this often, so the list fills while a folder is read, and never
// more than this many at once, so that no insertion holds up the window.
constexpr qint64 kPostIntervalMs = 40;
constexpr std::size_t kMaxBatchEntries = 256;
// How often a loader waiting for the user to close a requester looks whether it should end.
constexpr auto kStopPoll = std::chrono::milliseconds(50);

bool existsAsFile(const QByteArray& path) {
  struct stat info {};
  return ::stat(path.constData(), &info) == 0 && !S_ISDIR(info.st_mode);
}

}  // namespace

PlaylistLoader::PlaylistLoader(Playlist& playlist, TrackDatabase database, Requester& requester, QObject* parent)
    : QObject(parent), playlist_(playlist), database_(std::move(database)), requester_(requester) {}

PlaylistLoader::~PlaylistLoader() = default;

void PlaylistLoader::addFiles(const QByteArrayList& paths, Refusal refusal) {
  worker_.post([this, paths, refusal] {
    Batch batch;
    batch.sincePosted.start();
    for (const QByteArray& path : paths) {
      if (worker_.stopping() || !addFile(path, refusal, batch)) return;
    }
    finish(batch);
  });
}

void PlaylistLoader::addPlaylistFile(const QString& path) {
  worker_.post([this, path] {
    QString error;
    const std::optional<QByteArrayList> paths = PlaylistFile::read(path, &error);
    if (!paths) {
      MainThread::post(this, [this, path, error] { Q_EMIT notice(msg(Msg::StatusPlaylistNotRead).arg(path, error)); });
      return;
    }
    Batch batch;
    batch.sincePosted.start();
    for (const QByteArray& file : *paths) {
      if (worker_.stopping() || !addFile(file, Refusal::Ask, batch)) return;
    }
    finish(batch);
  });
}

void PlaylistLoader::addDirectory(const QByteArray& directory) {
  worker_.post([this, directory] {
    Batch batch;
    batch.sincePosted.start();
    MediaDirectory::walk(
        directory, [this, &batch](const QByteArray& path) { addFile(path, Refusal::Count, batch); },
        [this] { return worker_.stopping(); });
    finish(batch);
  });
}

// A path that does not exist and a directory are passed over without a word; they name no track.
bool PlaylistLoader::addFile(const QByteArray& path, Refusal refusal, Batch& batch) {
  if (!existsAsFile(path)) return true;
  if (std::optional<PlaylistEntry> entry = PlaylistEntry::fromFile(path, database_)) {
    batch.entries.push_back(std::move(*entry));
    if (batch.sincePosted.elapsed() >= kPostIntervalMs || batch.entries.size() >= kMaxBatchEntries) post(batch);
    return true;
  }
  if (refusal == Refusal::Count) {
    ++batch.refused;
    return true;
  }
  post(batch);  // the files before it are listed while the requester is up
  return askAbout(path);
}

void PlaylistLoader::post(Batch& batch) {
  batch.sincePosted.restart();
  if (batch.entries.empty()) return;
  MainThread::post(this, [playlist = &playlist_, entries = std::move(batch.entries)]() mutable {
    playlist->append(std::move(entries));
  });
  batch.entries.clear();
}

void PlaylistLoader::finish(Batch& batch) {
  post(batch);
  if (batch.refused == 0) return;
  MainThread::post(this, [this, refused = batch.refused] {
    Q_EMIT notice(msg(Msg::StatusTracksSkipped).arg(refused));
  });
}

// Waits for the user to close the requester; false when the loader is asked to end meanwhile.
bool PlaylistLoader::askAbout(const QByteArray& path) {
  auto answered = std::make_shared<std::promise<void>>();
  std::future<void> closed = answered->get_future();
  MainThread::post(this, [this, name = QFile::decodeName(path), answered] {
    requester_.request(msg(Msg::ErrorTitle), msg(Msg::SampleNotLoaded).arg(name), msg(Msg::SampleNotLoadedButtons));
    answered->set_value();
  });
  while (closed.wait_for(kStopPoll) != std::future_status::ready) {
    if (worker_.stopping()) return false;
  }
  return true;
}

}  // namespace gm

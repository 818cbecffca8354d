// Adding 2,000 files to the playlist: entries per second through the playlist's loader thread (open
// and probe each file, hash its opening, read tempo and rating from the track database, hand the
// entries to the main thread in batches), next to references measured in the same run on the same
// files: building the same entries in a plain loop on one thread (what the loader adds is its
// hand-over), and opening each file with the decoder alone (the floor any entry costs).
// The files are real tracks made by gm-demo-tracks, WAV and, when ffmpeg is there, FLAC and MP3,
// each linked many times under its own name. Figures are the best of two runs, in wall-clock time
// and in CPU time of the whole process.

#include <algorithm>
#include <cstdint>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTimer>

#include "core/AtomicFile.h"
#include "core/Directories.h"
#include "core/Requester.h"
#include "library/Playlist.h"
#include "library/PlaylistLoader.h"
#include "tracks/MediaDecoder.h"
#include "tracks/PlaylistEntry.h"
#include "tracks/TrackDatabase.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr int kFiles = 2000;
constexpr int kDistinctTracks = 20;
constexpr int kRuns = 2;

class SilentRequester final : public gm::Requester {
 public:
  int request(const QString&, const QString&, const QString& buttons) override { return defaultButton(buttons); }
};

struct Cost {
  double wallSeconds = 1e9;
  double cpuSeconds = 1e9;  // of every thread of the process: the machines this runs on are shared
};

double cpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  const auto seconds = [](const timeval& t) { return double(t.tv_sec) + double(t.tv_usec) * 1e-6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// The best of `kRuns` runs of `work`; negative when a run failed.
Cost best(const std::function<bool()>& work) {
  Cost cost;
  for (int run = 0; run < kRuns; ++run) {
    const auto start = Clock::now();
    const double cpuStart = cpuSeconds();
    if (!work()) return {-1, -1};
    cost.wallSeconds = std::min(cost.wallSeconds, std::chrono::duration<double>(Clock::now() - start).count());
    cost.cpuSeconds = std::min(cost.cpuSeconds, cpuSeconds() - cpuStart);
  }
  return cost;
}

bool run(const std::string& command) { return std::system(command.c_str()) == 0; }

// 20 tracks of 30 seconds at different tempi (a quarter of them FLAC and a quarter MP3 when ffmpeg
// can make them), each linked 100 times: 2,000 files.
QByteArrayList makeFiles(const std::string& tools, const QDir& dir) {
  QStringList tracks;
  for (int track = 0; track < kDistinctTracks; ++track) {
    const QString wav = dir.filePath(QString("track %1.wav").arg(track));
    if (!run("'" + tools + "/gm-demo-tracks' --bpm " + std::to_string(110 + track) + " --seconds 30 --out '" +
             wav.toStdString() + "'")) {
      return {};
    }
    const char* encoded = track % 4 == 1 ? "flac" : track % 4 == 3 ? "mp3" : nullptr;
    const QString other = dir.filePath(QString("track %1.%2").arg(track).arg(encoded));
    if (encoded != nullptr && run("ffmpeg -loglevel error -y -i '" + wav.toStdString() + "' '" + other.toStdString() + "'")) {
      QFile::remove(wav);
      tracks << other;
    } else {
      tracks << wav;
    }
  }
  QByteArrayList files;
  for (int file = 0; file < kFiles; ++file) {
    const QString& track = tracks[file % kDistinctTracks];
    const QByteArray link = QFile::encodeName(dir.filePath(QString("%1 - ").arg(file, 4, 10, QChar('0')) +
                                                           QFileInfo(track).fileName()));
    if (::link(QFile::encodeName(track).constData(), link.constData()) != 0) return {};
    files << link;
  }
  return files;
}

// A database that knows 5,000 other tracks, as a DJ's does: every lookup scans past them.
bool fillDatabase(const gm::TrackDatabase& database) {
  constexpr int kKnownTracks = 5000;
  QByteArray records;
  for (int track = 0; track < kKnownTracks; ++track) {
    gm::TrackDigest digest{};
    for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = std::uint8_t(track * 31 + int(i) * 7);
    digest[0] = std::uint8_t(track >> 8);
    digest[1] = std::uint8_t(track);
    records.append(reinterpret_cast<const char*>(digest.data()), qsizetype(digest.size()));
    records.append(QByteArray(4, char(1 + track % 100)));
  }
  for (gm::TrackDatabase::Table table : {gm::TrackDatabase::Table::Bpm, gm::TrackDatabase::Table::Time,
                                         gm::TrackDatabase::Table::Rating}) {
    const QString path = database.tablePath(table);
    if (!QDir().mkpath(QFileInfo(path).path()) || !gm::AtomicFile::write(path, records)) return false;
  }
  return true;
}

void print(const char* what, const Cost& cost, const Cost& reference) {
  const auto rate = [](double seconds) { return seconds > 0 ? kFiles / seconds : 0.0; };
  std::printf("%-44s %10.0f %8.2f %12.0f %8.2f\n", what, rate(cost.wallSeconds),
              rate(cost.wallSeconds) / rate(reference.wallSeconds), rate(cost.cpuSeconds),
              rate(cost.cpuSeconds) / rate(reference.cpuSeconds));
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  const std::string tools = argc > 1 ? argv[1] : QDir(QCoreApplication::applicationDirPath() + "/..").absolutePath().toStdString();
  QTemporaryDir dir;
  const QByteArrayList files = makeFiles(tools, QDir(dir.path()));
  if (files.size() != kFiles) {
    std::fprintf(stderr, "cannot make the tracks (pass the directory of gm-demo-tracks)\n");
    return 1;
  }
  QDir().mkpath(dir.filePath("home"));
  const gm::TrackDatabase database(gm::Directories::resolve(dir.path(), dir.filePath("home"), dir.filePath("home")));
  if (!fillDatabase(database)) {
    std::fprintf(stderr, "cannot write the track database\n");
    return 1;
  }

  const Cost decoderOnly = best([&] {
    for (const QByteArray& file : files) {
      if (!gm::MediaDecoder::open(file.toStdString(), nullptr)) return false;
    }
    return true;
  });
  const Cost plainLoop = best([&] {
    for (const QByteArray& file : files) {
      if (!gm::PlaylistEntry::fromFile(file, database)) return false;
    }
    return true;
  });
  SilentRequester requester;
  const Cost loaderThread = best([&] {
    gm::Playlist playlist(database);
    gm::PlaylistLoader loader(playlist, database, requester);
    // The main thread sleeps in its event loop between the loader's hand-overs, as in the window.
    QEventLoop loop;
    QObject::connect(&playlist, &gm::Playlist::rowsInserted, &loop, [&] {
      if (playlist.size() >= kFiles) loop.quit();
    });
    QTimer::singleShot(std::chrono::minutes(10), &loop, &QEventLoop::quit);  // a file the loader refused
    loader.addFiles(files, gm::PlaylistLoader::Refusal::Count);
    loop.exec();
    return playlist.size() == kFiles;
  });

  std::printf("\nAdding %d files to the playlist (best of %d runs)\n%-44s %10s %8s %12s %8s\n", kFiles, kRuns, "",
              "entries/s", "x loader", "entries/cpu-s", "x loader");
  print("playlist loader thread, into the list", loaderThread, loaderThread);
  print("reference: entries built in a plain loop", plainLoop, loaderThread);
  print("reference: decoder open alone", decoderOnly, loaderThread);
  return loaderThread.wallSeconds > 0 && plainLoop.wallSeconds > 0 && decoderOnly.wallSeconds > 0 ? 0 : 1;
}

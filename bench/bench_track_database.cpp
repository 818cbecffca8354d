// Cost of storing a value in a track database file of 10,000 tracks: the in-place update the
// database does (scan, one 4-byte write, sync) next to replacing the whole file through AtomicFile
// (write, sync, rename, directory sync), which is the least a rewrite-based update would cost, and a
// lookup of the last record (a whole scan), measured in the same run on the same disk.

#include <benchmark/benchmark.h>

#include <cstdint>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "core/AtomicFile.h"
#include "tracks/RecordFile.h"

namespace {

constexpr int kTracks = 10000;

gm::TrackDigest digestOf(int track) {
  gm::TrackDigest digest{};
  for (std::size_t i = 0; i < digest.size(); ++i) digest[i] = std::uint8_t(track * 31 + int(i) * 7);
  digest[0] = std::uint8_t(track >> 8);
  digest[1] = std::uint8_t(track);
  return digest;
}

struct Database {
  // In the working directory: a temporary directory in memory would make syncing free.
  QTemporaryDir dir{QDir::currentPath() + "/gm-bench-db-XXXXXX"};
  QString path = dir.filePath("time.db");
  QByteArray content;
  Database() {
    for (int track = 0; track < kTracks; ++track) {
      const gm::TrackDigest digest = digestOf(track);
      content.append(reinterpret_cast<const char*>(digest.data()), qsizetype(digest.size()));
      content.append(QByteArray(4, char(track % 100)));
    }
    gm::AtomicFile::write(path, content);
  }
};

Database& database() {
  static Database instance;
  return instance;
}

void BM_UpsertInPlace(benchmark::State& state) {
  const gm::TrackDigest last = digestOf(kTracks - 1);
  std::int32_t seconds = 0;
  for (auto _ : state) {
    if (!gm::RecordFile::upsert(database().path, last, ++seconds)) state.SkipWithError("upsert failed");
  }
}
BENCHMARK(BM_UpsertInPlace)->Unit(benchmark::kMicrosecond);

void BM_ReferenceWholeFileRewrite(benchmark::State& state) {
  for (auto _ : state) {
    if (!gm::AtomicFile::write(database().path, database().content)) state.SkipWithError("write failed");
  }
}
BENCHMARK(BM_ReferenceWholeFileRewrite)->Unit(benchmark::kMicrosecond);

void BM_LookupOfTheLastRecord(benchmark::State& state) {
  const gm::TrackDigest last = digestOf(kTracks - 1);
  for (auto _ : state) benchmark::DoNotOptimize(gm::RecordFile::lookup(database().path, last));
}
BENCHMARK(BM_LookupOfTheLastRecord)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();

#pragma once
// One of the track database's record files (bpm.db, time.db, rating.db): no header, a sequence of
// 20-byte records, each the track's 16-byte MD5 digest followed by a signed 32-bit big-endian value.
// Records are never removed and a digest may occur more than once.
//
// Only whole records count. A write cut short by a crash or a full disk can leave a torn record at
// the end: reads ignore it, and the next record appended overwrites it, so the file ends on a record
// boundary again. Updates happen in place: a value is one 4-byte write inside its record, and a new
// record one 20-byte write after the last whole record, both under an exclusive lock and synced
// before they count as stored. A crash can therefore lose only the value being written.

#include <cstdint>

#include <QString>

#include "tracks/TrackKey.h"

namespace gm {

class RecordFile {
 public:
  static constexpr int kRecordBytes = 20;

  // [any-thread] The value of the first record with `digest`; 0 when there is none or the file is
  // missing or unreadable.
  static std::int32_t lookup(const QString& path, const TrackDigest& digest);

  // [any-thread] Sets the value of every record with `digest`, or appends one record when none has
  // it (creating the file). False, with `error` saying why, when the value could not be stored; a
  // record that could not be appended whole is taken back.
  static bool upsert(const QString& path, const TrackDigest& digest, std::int32_t value, QString* error = nullptr);
};

}  // namespace gm

#pragma once
// What `--analyse` prints. Standard output gets one line per track that loaded, for people and
// scripts alike: "KEY<tab>TEMPO<tab>SECONDS<tab>FILE" (tempo "128.00", or "---" when there is none;
// the file's name as given, its control characters shown as '?'). Standard error gets what went
// wrong, and a summary at the end. On a terminal a progress bar stays below the lines; elsewhere the
// lines come plain.

#include <cstdio>
#include <string>

#include <QString>

#include "tracks/TrackBatch.h"

namespace gm {

class AnalyseReport {
 public:
  // `terminal`: draw the progress bar on `out`, `columns` wide.
  AnalyseReport(std::FILE* out, std::FILE* err, bool terminal, int columns, std::size_t total);
  // The report for standard output and standard error, with the bar when standard output is a
  // terminal.
  static AnalyseReport forStandardStreams(std::size_t total);

  // A line on standard error.
  void problem(const QString& text);
  // A track is done: its line, and what went wrong with it.
  void track(const TrackBatch::Outcome& outcome);
  void progress(double share);
  // Clears the bar and prints the summary; true when every track was prepared and nothing else
  // went wrong.
  bool finish(const QString& cacheDirectory);

  static std::string trackLine(const TrackBatch::Outcome& outcome);
  // "[#####-----]  3/8  41%", `columns` wide at most.
  static std::string progressBar(double share, std::size_t done, std::size_t total, int columns);

 private:
  void reportTrouble(const TrackBatch::Outcome& outcome);
  void clearBar();
  void drawBar();

  std::FILE* out_;
  std::FILE* err_;
  bool terminal_;
  int columns_;
  std::size_t total_;
  std::size_t done_ = 0;
  std::size_t prepared_ = 0;
  std::size_t computed_ = 0;  // tracks with a band computed rather than read from the cache
  std::size_t cached_ = 0;    // tracks whose bands all came from the cache
  bool troubled_ = false;     // something other than a track went wrong
  double share_ = 0;
  std::string shownBar_;
};

}  // namespace gm

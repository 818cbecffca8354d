#include "app/AnalyseReport.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>

#include <QFile>

#include "core/CatalogTable.h"

namespace gm {
namespace {

constexpr int kDefaultColumns = 80;
constexpr int kLeastBarCells = 10;
constexpr const char* kClearLine = "\r\x1b[K";

QString nameOf(const TrackBatch::Outcome& outcome) { return QFile::decodeName(QByteArray::fromStdString(outcome.path)); }

// A name as one line that cannot steer the terminal: control characters become '?'.
std::string printable(std::string name) {
  std::replace_if(name.begin(), name.end(), [](char c) { return (c >= 0 && c < 0x20) || c == 0x7F; }, '?');
  return name;
}

int terminalColumns(int fd) {
  winsize size{};
  return ::ioctl(fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : kDefaultColumns;
}

}  // namespace

AnalyseReport::AnalyseReport(std::FILE* out, std::FILE* err, bool terminal, int columns, std::size_t total)
    : out_(out), err_(err), terminal_(terminal), columns_(columns), total_(total) {}

AnalyseReport AnalyseReport::forStandardStreams(std::size_t total) {
  const bool terminal = ::isatty(STDOUT_FILENO) == 1;
  return {stdout, stderr, terminal, terminal ? terminalColumns(STDOUT_FILENO) : kDefaultColumns, total};
}

std::string AnalyseReport::trackLine(const TrackBatch::Outcome& outcome) {
  const std::string tempo = outcome.tempo > 0 ? QString::asprintf("%.2f", outcome.tempo / 100.0).toStdString() : "---";
  return outcome.key + '\t' + tempo + '\t' + std::to_string(outcome.seconds) + '\t' + printable(outcome.path);
}

std::string AnalyseReport::progressBar(double share, std::size_t done, std::size_t total, int columns) {
  const int percent = int(std::floor(std::clamp(share, 0.0, 1.0) * 100.0));
  const std::string counts = "  " + std::to_string(done) + "/" + std::to_string(total) + "  " + std::to_string(percent) + "%";
  // One column stays free: a line filled to the edge makes some terminals wrap.
  const int cells = std::max(kLeastBarCells, columns - 1 - 2 - int(counts.size()));
  const int filled = int(std::floor(std::clamp(share, 0.0, 1.0) * cells));
  return '[' + std::string(std::size_t(filled), '#') + std::string(std::size_t(cells - filled), '-') + ']' + counts;
}

void AnalyseReport::problem(const QString& text) {
  troubled_ = true;
  clearBar();
  std::fprintf(err_, "GrooveMangler: %s\n", text.toLocal8Bit().constData());
  std::fflush(err_);
  drawBar();
}

void AnalyseReport::track(const TrackBatch::Outcome& outcome) {
  ++done_;
  // The batch's share comes after its tracks: the bar never shows less than the tracks done.
  share_ = std::max(share_, double(done_) / double(total_));
  if (outcome.prepared()) ++prepared_;
  if (outcome.loaded) ++(outcome.bandsComputed > 0 ? computed_ : cached_);
  clearBar();
  if (outcome.loaded) std::fprintf(out_, "%s\n", trackLine(outcome).c_str());
  std::fflush(out_);
  reportTrouble(outcome);
  drawBar();
}

void AnalyseReport::reportTrouble(const TrackBatch::Outcome& outcome) {
  const QString name = nameOf(outcome);
  auto say = [this](const QString& text) {
    std::fprintf(err_, "GrooveMangler: %s\n", text.toLocal8Bit().constData());
    std::fflush(err_);
  };
  if (!outcome.loaded) {
    say(msg(Msg::LoadFailed).arg(name, outcome.error.empty() ? QStringLiteral("not enough memory for it")
                                                              : QString::fromStdString(outcome.error)));
    return;
  }
  if (outcome.cutShort) {
    say(QStringLiteral("%1 holds %2 of the %3 seconds it states: the file is damaged or was cut short.")
            .arg(name)
            .arg(outcome.frames / 44100)
            .arg(outcome.statedFrames / 44100));
  }
  if (outcome.playTimeFailure) say(msg(Msg::StatusFileNotSaved).arg(outcome.playTimeFailure->path, outcome.playTimeFailure->reason));
  if (outcome.bandsMissing) say(QStringLiteral("%1: not enough memory to analyse its bands.").arg(name));
  if (outcome.cacheWriteFailed) say(QStringLiteral("%1: its bands could not be written to the cache.").arg(name));
}

void AnalyseReport::progress(double share) {
  share_ = share;
  drawBar();
}

bool AnalyseReport::finish(const QString& cacheDirectory) {
  clearBar();
  terminal_ = false;
  std::fprintf(err_, "GrooveMangler: %zu of %zu files prepared; bands computed for %zu, read from the cache for %zu; cache: %s\n",
               prepared_, total_, computed_, cached_, QFile::encodeName(cacheDirectory).constData());
  std::fflush(err_);
  return prepared_ == total_ && !troubled_;
}

void AnalyseReport::clearBar() {
  if (shownBar_.empty()) return;
  std::fputs(kClearLine, out_);
  std::fflush(out_);
  shownBar_.clear();
}

void AnalyseReport::drawBar() {
  if (!terminal_ || total_ == 0) return;
  const std::string bar = progressBar(share_, done_, total_, columns_);
  if (bar == shownBar_) return;
  std::fprintf(out_, "\r%s\x1b[K", bar.c_str());
  std::fflush(out_);
  shownBar_ = bar;
}

}  // namespace gm

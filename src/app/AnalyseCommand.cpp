#include "app/AnalyseCommand.h"

#include <sched.h>

#include <algorithm>
#include <thread>

#include <QFile>
#include <QFileInfo>

#include "app/AnalyseReport.h"
#include "core/CatalogTable.h"
#include "core/Settings.h"
#include "core/SettingsStore.h"
#include "plugins/PluginHost.h"
#include "plugins/PluginObject.h"
#include "tracks/AudioFileFinder.h"
#include "tracks/TrackBatch.h"

namespace gm {
namespace {

// The cache as the saved settings name it; always written (see the header).
WaveformCache::Settings savedCacheSettings(const Directories& directories) {
  Settings settings;
  WaveformCache::defineSettings(settings);
  SettingsStore::of(directories).load(settings, SettingsStore::Tier::Permanent);
  WaveformCache::Settings cache = WaveformCache::fromSettings(settings, directories);
  cache.store = true;
  return cache;
}

// One analyser per job, each with a detector of its own (which must not outlive `host`).
std::vector<TrackAnalyser> makeAnalysers(std::size_t count, const PluginHost& host, const Directories& directories,
                                         AnalyseReport& report) {
  std::vector<TrackAnalyser> analysers(count);
  bool detecting = true;
  for (TrackAnalyser& analyser : analysers) {
    std::unique_ptr<PluginObject> detector = host.createDetector();
    detecting = detecting && detector != nullptr;
    analyser.setTempoDetector(std::move(detector));
    analyser.setTrackDatabase(TrackDatabase(directories));
  }
  const QStringList refused = host.takeRefusals();
  if (!refused.isEmpty()) report.problem(msg(Msg::StatusPluginsRefused).arg(refused.join(", ")));
  if (!detecting) {
    report.problem(QStringLiteral("no beat detector in %1: tempos are not detected.")
                       .arg(host.resolve(QStringLiteral("PROGDIR:BeatDetectors"))));
  }
  return analysers;
}

std::vector<std::string> namedPaths(const CommandLine& line) {
  std::vector<std::string> paths;
  for (const QByteArray& file : line.files) paths.push_back(file.toStdString());
  return paths;
}

}  // namespace

int AnalyseCommand::usableCores() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (::sched_getaffinity(0, sizeof(set), &set) == 0) return std::max(1, CPU_COUNT(&set));
  return int(std::max(1u, std::thread::hardware_concurrency()));
}

int AnalyseCommand::run(const CommandLine& line, const Directories& directories) {
  const WaveformCache::Settings cache = savedCacheSettings(directories);
  const AudioFileFinder::Found found = AudioFileFinder::find(namedPaths(line));
  AnalyseReport report = AnalyseReport::forStandardStreams(found.files.size());
  for (const AudioFileFinder::Problem& problem : found.problems) {
    report.problem(QStringLiteral("Couldn't read the directory %1: %2.")
                       .arg(QFile::decodeName(QByteArray::fromStdString(problem.path)), problem.reason));
  }
  if (!WaveformCache::prepareDirectory(cache.directory)) {
    report.problem(QStringLiteral("Couldn't create the cache directory %1.").arg(cache.directory));
    return 1;
  }
  if (found.files.empty()) report.problem(QStringLiteral("no audio files found."));
  const auto jobs = std::size_t(line.jobs > 0 ? line.jobs : usableCores());
  const PluginHost host(directories);
  TrackBatch batch(makeAnalysers(std::min(jobs, found.files.size()), host, directories, report), cache);
  TrackBatch::Listener listener;
  listener.track = [&report](const TrackBatch::Outcome& outcome) { report.track(outcome); };
  listener.progress = [&report](double share) { report.progress(share); };
  if (!batch.run(found.files, listener)) {
    report.problem(QStringLiteral("Couldn't start the analysis."));
    return 1;
  }
  return report.finish(QFileInfo(cache.directory).absoluteFilePath()) ? 0 : 1;
}

}  // namespace gm

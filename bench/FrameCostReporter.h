#pragma once
// The benchmarks' shared reporter: after Google Benchmark's usual table it keeps the CPU time per
// frame of every run that sets a "frames" counter, by block length and benchmark name, so each
// benchmark can print its figures next to the reference it measured in the same run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <initializer_list>
#include <map>
#include <string>
#include <vector>

namespace gm::bench {

class FrameCostReporter : public benchmark::ConsoleReporter {
 public:
  using Costs = std::map<std::string, double>;  // CPU ns per frame by benchmark function name

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type != Run::RT_Iteration || run.iterations == 0 || run.counters.count("frames") == 0) continue;
      const double frames = run.counters.at("frames").value;
      // CPU time: the machines this runs on are shared, and waiting for a core is not the code's cost.
      byBlock_[int(frames)][run.run_name.function_name] =
          run.cpu_accumulated_time * 1e9 / double(run.iterations) / frames;
    }
  }

  const std::map<int, Costs>& byBlock() const { return byBlock_; }
  // The cost of a run at whatever block length it ran (0 when it did not run).
  double nsPerFrame(const std::string& name) const {
    for (const auto& [frames, costs] : byBlock_) {
      if (costs.count(name)) return costs.at(name);
    }
    return 0.0;
  }
  static double of(const Costs& costs, const std::string& name) {
    const auto it = costs.find(name);
    return it == costs.end() ? 0.0 : it->second;
  }

 private:
  std::map<int, Costs> byBlock_;
};

// Marks a run as costing `frames` frames per iteration, which the reporter divides by.
inline void setFrames(benchmark::State& state, std::size_t frames) {
  state.counters["frames"] = double(frames);
  state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(frames));
}

// Prints each run's CPU ns per frame and its ratio to `reference`, measured in the same run.
inline void printAgainst(const FrameCostReporter& costs, const char* title, const std::string& reference,
                         std::initializer_list<std::string> names) {
  const double referenceNs = costs.nsPerFrame(reference);
  std::printf("\n%s\n%-36s %10s %10s\n", title, "", "ns/frame", ("x " + reference).c_str());
  for (const std::string& name : names) {
    const double ns = costs.nsPerFrame(name);
    std::printf("%-36s %10.3f %10.2f\n", name.c_str(), ns, referenceNs > 0.0 ? ns / referenceNs : 0.0);
  }
}

// Runs the registered benchmarks through `reporter`; false when the command line was not understood.
inline bool runBenchmarks(int argc, char** argv, FrameCostReporter& reporter) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return false;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return true;
}

}  // namespace gm::bench

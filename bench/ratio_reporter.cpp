// RatioReporter: records per-benchmark times as they are reported and prints the
// subject / peer ratios once the run is over.
#include "bench/ratio_reporter.h"

#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <utility>

// Colour only on a terminal, so that redirected output stays plain text.
RatioReporter::RatioReporter(std::vector<Comparison> comparisons)
    : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular),
      comparisons_(std::move(comparisons)) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  for (const Run& run : runs) {
    if (run.error_occurred)
      continue;
    const bool median = run.run_type == Run::RT_Aggregate && run.aggregate_name == "median";
    if (run.run_type == Run::RT_Aggregate && !median)
      continue;
    const std::string name = run.run_name.str();
    if (fromMedian_[name] && !median)
      continue;
    // A benchmark timed with UseRealTime (work in child processes) is compared by wall clock.
    const bool wallClock = !run.run_name.time_type.empty();
    anyWallClock_ = anyWallClock_ || wallClock;
    seconds_[name] = (wallClock ? run.GetAdjustedRealTime() : run.GetAdjustedCPUTime()) /
                     benchmark::GetTimeUnitMultiplier(run.time_unit);
    fromMedian_[name] = median;
    for (const auto& [key, counter] : run.counters)
      counters_[name][key] = counter.value;
  }
  ConsoleReporter::ReportRuns(runs);
}

void RatioReporter::printSummary(std::ostream& out) const {
  bool header = false;
  for (const Comparison& c : comparisons_) {
    const auto subject = seconds_.find(c.subject);
    const auto peer = seconds_.find(c.peer);
    if (subject == seconds_.end() || peer == seconds_.end())
      continue;
    if (!header) {
      out << "\nRatio of "
          << (anyWallClock_ ? "time (CPU; wall clock for real_time runs)" : "CPU time")
          << " per iteration, subject / peer (below 1: subject faster)\n";
      header = true;
    }
    char line[512];
    std::snprintf(line, sizeof line, "%-34s %11.3f us   vs %-34s %11.3f us   ratio %7.3f\n",
                  c.subject.c_str(), subject->second * 1e6, c.peer.c_str(), peer->second * 1e6,
                  subject->second / peer->second);
    out << line;
  }
}

double RatioReporter::secondsOf(const std::string& name) const {
  const auto found = seconds_.find(name);
  return found == seconds_.end() ? -1.0 : found->second;
}

double RatioReporter::counterOf(const std::string& name, const std::string& counter) const {
  const auto run = counters_.find(name);
  if (run == counters_.end())
    return -1.0;
  const auto found = run->second.find(counter);
  return found == run->second.end() ? -1.0 : found->second;
}

int runWithRatios(int argc, char** argv, std::vector<Comparison> comparisons,
                  void (*after)(const RatioReporter&)) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv))
    return 1;
  RatioReporter reporter(std::move(comparisons));
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.printSummary(std::cout);
  if (after != nullptr)
    after(reporter);
  benchmark::Shutdown();
  return 0;
}

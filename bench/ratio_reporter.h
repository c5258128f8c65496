// RatioReporter: console output of Google Benchmark plus a closing table of time ratios
// between a subject and its peer measured in the same run.
//
// Absolute timings depend on the machine and its load; a ratio against an established
// library timed minutes apart on the same inputs says more. Each comparison names two
// benchmarks by their full run names (e.g. "hull/ConvexHull/cube/20"). The time of a
// benchmark is its CPU time per iteration: the median aggregate when repetitions were
// asked for, otherwise the single run; wall-clock time instead for benchmarks that use real
// time (their work runs in other processes). Comparisons whose benchmarks were filtered out or
// failed are left out of the table.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <ostream>
#include <string>
#include <vector>

struct Comparison {
  std::string subject;  // run name of the project's implementation
  std::string peer;     // run name of the library it is compared with
};

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  explicit RatioReporter(std::vector<Comparison> comparisons);

  void ReportRuns(const std::vector<Run>& runs) override;
  // The table: subject and peer time per iteration and subject / peer (below 1: faster).
  void printSummary(std::ostream& out) const;
  // CPU seconds per iteration of a run by name; negative when it did not run.
  double secondsOf(const std::string& name) const;
  // A user counter of a run by name; negative when absent.
  double counterOf(const std::string& name, const std::string& counter) const;

 private:
  std::vector<Comparison> comparisons_;
  std::map<std::string, double> seconds_;  // run name -> CPU seconds per iteration
  std::map<std::string, bool> fromMedian_;
  std::map<std::string, std::map<std::string, double>> counters_;
  bool anyWallClock_ = false;
};

// The body of every benchmark program's main: parse flags, run, print the ratio table, then
// hand the reporter to after (if given) for a program's own table.
int runWithRatios(int argc, char** argv, std::vector<Comparison> comparisons,
                  void (*after)(const RatioReporter&) = nullptr);

// The console reporter of the paired benchmarks: it keeps each run's time
// per iteration by name (with repetitions, the median), so the program can
// print the ratio of each pair after the runs.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& r : runs) {
      if (r.error_occurred) continue;
      if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
        medians[r.run_name.str()] = r.GetAdjustedRealTime();
      else if (r.run_type == Run::RT_Iteration)
        times[r.benchmark_name()] = r.GetAdjustedRealTime();
    }
    for (const auto& [name, t] : medians) times[name] = t;
  }
  std::map<std::string, double> times;
  std::map<std::string, double> medians;
};

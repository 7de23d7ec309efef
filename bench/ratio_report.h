// The console report plus, at the end, a table of every case: the fastest host call, the
// fastest yardstick call, their ratio, the ratio of the median calls, the case's target and
// the yardstick's stage shares.
#ifndef BENCH_RATIO_REPORT_H
#define BENCH_RATIO_REPORT_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace bench {

class RatioReporter : public benchmark::ConsoleReporter {
 public:
  // Colours only when standard output is a terminal.
  RatioReporter();
  // Prints the runs as the console reporter does and keeps their counters.
  void ReportRuns(const std::vector<Run>& runs) override;
  // Prints the table after the last run.
  void Finalize() override;

  // Target ratio of a case: 1.2 for every case.
  static double TargetOf(const std::string& caseName);

 private:
  // Counters of every repetition of a case.
  struct Case {
    std::vector<std::map<std::string, double>> runs;
  };
  std::map<std::string, Case> cases_;
  std::vector<std::string> order_;  // case names in order of first report
};

}  // namespace bench

#endif

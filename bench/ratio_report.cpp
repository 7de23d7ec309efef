#include "ratio_report.h"

#include <algorithm>
#include <cstdio>
#include <ostream>

#include <unistd.h>

#include "cases.h"
#include "stage_counters.h"

namespace bench {
namespace {

// The value of counter name in run, or -1 when absent.
double Get(const std::map<std::string, double>& run, const char* name) {
  auto it = run.find(name);
  return it == run.end() ? -1.0 : it->second;
}

}  // namespace

RatioReporter::RatioReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

void RatioReporter::ReportRuns(const std::vector<Run>& runs) {
  ConsoleReporter::ReportRuns(runs);
  for (const Run& run : runs) {
    if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
    if (run.counters.find(kHostMs) == run.counters.end()) continue;
    const std::string& name = run.run_name.function_name;
    if (cases_.find(name) == cases_.end()) order_.push_back(name);
    std::map<std::string, double> values;
    for (const auto& c : run.counters) values[c.first] = c.second.value;
    cases_[name].runs.push_back(std::move(values));
  }
}

double RatioReporter::TargetOf(const std::string&) { return 1.2; }

void RatioReporter::Finalize() {
  ConsoleReporter::Finalize();
  std::ostream& out = GetOutputStream();
  char line[256];
  std::snprintf(line, sizeof line, "\n%-40s %10s %10s %7s %7s %7s   %s\n", "host / yardstick (wall ms, fastest)",
                "host", "yard", "ratio", "median", "target", "yardstick stages adj/smooth/frames/rebuild %");
  out << line;
  int over = 0;
  for (const std::string& name : order_) {
    // Over repetitions: the fastest call of each side, the median of the median ratios, and
    // the stage shares of the first repetition.
    const std::vector<std::map<std::string, double>>& runs = cases_[name].runs;
    double host = -1.0, yard = -1.0;
    std::vector<double> medians;
    for (const auto& r : runs) {
      const double h = Get(r, kHostMs), y = Get(r, kYardMs);
      if (host < 0.0 || h < host) host = h;
      if (yard < 0.0 || y < yard) yard = y;
      medians.push_back(Get(r, kMedianRatio));
    }
    std::sort(medians.begin(), medians.end());
    const double median = medians[medians.size() / 2];
    const double ratio = yard > 0.0 ? host / yard : 0.0;
    const double target = TargetOf(name);
    const bool miss = ratio > target;
    over += miss ? 1 : 0;
    std::string stages;
    const std::map<std::string, double>& first = runs.front();
    if (Get(first, kStageCounters[0]) >= 0.0) {
      char s[64];
      std::snprintf(s, sizeof s, "%5.1f %5.1f %5.1f %5.1f", Get(first, kStageCounters[0]),
                    Get(first, kStageCounters[1]), Get(first, kStageCounters[2]), Get(first, kStageCounters[3]));
      stages = s;
    }
    std::snprintf(line, sizeof line, "%-40s %10.3f %10.3f %7.2f %7.2f %7.2f %s %s\n", name.c_str(), host, yard, ratio,
                  median, target, miss ? "*" : " ", stages.c_str());
    out << line;
  }
  std::snprintf(line, sizeof line, "%d of %zu cases over target (marked *: fastest host / fastest yardstick)\n", over,
                order_.size());
  out << line;
}

}  // namespace bench

// Runs the benchmarks with the usual console output, then prints their figures once more as a
// markdown table, ready for docs/figures.md: one row a benchmark, its median where repeated.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

namespace {

std::string number(double value) {
  char text[32];
  const double magnitude = std::fabs(value);
  const char* format = magnitude >= 100 || value == std::round(value) ? "%.0f"
                       : magnitude >= 10                              ? "%.1f"
                       : magnitude >= 0.1                             ? "%.2f"
                                                                      : "%.3g";
  std::snprintf(text, sizeof text, format, value);
  return text;
}

std::string figure(const std::string& name, double value) {
  if (name == "bytes_per_second") return "throughput " + number(value / 1e6) + " MB/s";
  return name + " " + number(value);
}

class MarkdownSummary : public benchmark::ConsoleReporter {
 public:
  using ConsoleReporter::ConsoleReporter;

  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      // A repeated benchmark is summed up by its median, any other by its one run.
      const bool repeated = run.repetitions > 1;
      if (repeated ? run.run_type != Run::RT_Aggregate || run.aggregate_name != "median"
                   : run.run_type != Run::RT_Iteration) {
        continue;
      }
      std::string time = run.error_occurred ? "error: " + run.error_message
                                            : number(run.GetAdjustedRealTime()) + " " +
                                                  benchmark::GetTimeUnitString(run.time_unit);
      std::string figures;
      for (const auto& [counter, value] : run.counters) {
        figures += (figures.empty() ? "" : ", ") + figure(counter, value.value);
      }
      const std::string name =
          repeated ? run.run_name.str() + " (median of " + std::to_string(run.repetitions) + ")"
                   : run.benchmark_name();
      rows_.push_back("| " + name + " | " + time + " | " + figures + " |");
    }
  }

  void Finalize() override {
    ConsoleReporter::Finalize();
    auto& out = GetOutputStream();
    out << "\n| Benchmark | Time | Figures |\n|---|---|---|\n";
    for (const std::string& row : rows_) out << row << '\n';
  }

 private:
  std::vector<std::string> rows_;
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  MarkdownSummary reporter(benchmark::ConsoleReporter::OO_Tabular);
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}

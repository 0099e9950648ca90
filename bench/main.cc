// The benchmark program. Before any case runs (and so before GIO first reads the XDG folders) the
// process enters a private desktop as a user's might be: three mailto: handlers, Thunderbird the
// default. Nothing of the machine's own desktop is seen. Run as `quorvel_bench --listing-worker N`,
// it serves the listing cases from a desktop of N handlers instead (mail_clients_bench.cc).
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench.h"
#include "quorvel/error.h"

namespace quorvel::bench {

namespace {
Desktop* process_desktop = nullptr;
bool any_failed = false;
}  // namespace

void Fail(benchmark::State& state, const std::string& why) {
  any_failed = true;
  state.SkipWithError(why.c_str());
}

Desktop& ProcessDesktop() { return *process_desktop; }

void QuietContext::AppErrorLog(bool, bool) {
  const ErrorInfo& error = CurrentError();
  last_error = std::to_string(error.number) + " " + error.description + " (" + error.source + ")";
}

}  // namespace quorvel::bench

int main(int argc, char** argv) {
  using namespace quorvel::bench;
  if (argc == 3 && std::string(argv[1]) == "--listing-worker") return RunListingWorker(std::atoi(argv[2]));

  Desktop desktop;
  desktop.AddClient("thunderbird", "Mozilla Thunderbird");
  desktop.AddClient("org.gnome.Evolution", "Evolution");
  desktop.AddClient("mailer", "Mailer");
  desktop.SetDefault("thunderbird");
  desktop.Refresh();
  desktop.Enter();
  process_desktop = &desktop;

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return any_failed ? 1 : 0;
}

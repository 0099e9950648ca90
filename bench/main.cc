// The benchmark program. Before any case runs (and so before GIO first reads the XDG folders) the
// process enters a private desktop as a user's might be: three mailto: handlers, Thunderbird the
// default, and no machine hive, so that they are the client list. Nothing of the machine's own
// desktop is seen. Run as `quorvel_bench --listing-worker N`, it serves the listing cases from a
// desktop of N handlers instead (mail_clients_bench.cc); as `--write-hive FILE KEYS` (or
// `--write-hive-utf16`) and `--read-hive FILE`, it makes a hive file and reads one once, for
// bench/hive_memory.sh.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "bench/bench.h"
#include "quorvel/error.h"

namespace quorvel::bench {

namespace {
bool any_failed = false;
}  // namespace

void Fail(benchmark::State& state, const std::string& why) {
  any_failed = true;
  state.SkipWithError(why.c_str());
}

void QuietContext::AppErrorLog(bool, bool) {
  const ErrorInfo& error = CurrentError();
  last_error = std::to_string(error.number) + " " + error.description + " (" + error.source + ")";
}

}  // namespace quorvel::bench

int main(int argc, char** argv) {
  using namespace quorvel::bench;
  if (argc == 3 && std::string(argv[1]) == "--listing-worker") return RunListingWorker(std::atoi(argv[2]));
  if (argc == 4 && (std::string(argv[1]) == "--write-hive" || std::string(argv[1]) == "--write-hive-utf16"))
    return WriteHiveFile(argv[2], std::atoi(argv[3]), std::string(argv[1]) == "--write-hive-utf16");
  if (argc == 3 && std::string(argv[1]) == "--read-hive") return ReadHiveOnce(argv[2]);

  const Desktop desktop(
      {{"thunderbird", "Mozilla Thunderbird"}, {"org.gnome.Evolution", "Evolution"}, {"mailer", "Mailer"}});
  desktop.Enter();

  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return any_failed ? 1 : 0;
}

// What the benchmark cases share: their private desktops, and a host context that takes every line
// and report the library gives it and keeps nothing but the last error.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>

#include "bench/desktop.h"
#include "quorvel/application_context.h"

namespace quorvel::bench {

// The listing cases' worker process: serves them from a desktop of `entries` mailto: handlers.
int RunListingWorker(int entries);

// The hive memory measurement's two steps (bench/hive_memory.sh), each a process of its own: writes a
// hive of `keys` keys as the Hive/keys_* cases make them, then reads a hive file once as the registry
// does (platform::ReadHiveFile).
int WriteHiveFile(const char* path, int keys, bool utf16);
int ReadHiveOnce(const char* path);

// Ends the case with the reason, and the program with a failure once every case has run, so that the
// test run notices a case that no longer measures what it should.
void Fail(benchmark::State& state, const std::string& why);

class QuietContext : public ApplicationContext {
 public:
  void SessionLogAdd(const std::string&) override {}
  void SessionLogAddVerbose(const std::string&) override {}
  void AppErrorPreserve(const std::string&, std::string&) override {}
  // A case that sees an error stops with it rather than measure a failure.
  void AppErrorLog(bool, bool) override;
  std::string ApplicationName() override { return "Quorvel Bench"; }
  std::int32_t MsgBox(const std::string&, std::int32_t, const std::string&) override { return 1; }

  std::string last_error;
};

}  // namespace quorvel::bench

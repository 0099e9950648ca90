// The library's own work for one send, with the start of the client replaced by a double that only
// keeps the argument vector: MailMAPI (sign on, send, sign off) and Email.Send (the client list and
// the default from the desktop's entries, the MAPI route, the route recorded in the user's settings,
// which go to disk as a user's do), to Thunderbird, whose body travels in a file, for 1, 100 and
// 10,000 recipients and bodies of 1 KB, 1 MB and 10 MB. Beside them, in the same run, one posix_spawn
// of /bin/true with its wait: the least that starting any client costs.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench.h"
#include "platform/automation_servers.h"
#include "platform/program_start.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "providers/mapi/linux/desktop_mapi_controls.h"
#include "quorvel/email.h"
#include "quorvel/mail_mapi.h"

extern char** environ;

namespace quorvel::bench {

namespace {

class RecordingStarter : public platform::ProgramStarter {
 public:
  void StartProgram(const std::vector<std::string>& argv) override {
    last = argv;
    ++starts;
  }
  std::vector<std::string> last;
  int starts = 0;
};

// Only a fallback would reach it; a case that sees one stops.
class RecordingShell : public platform::Shell {
 public:
  std::intptr_t ShellExecuteA(const std::string&, const std::string&) override {
    ++opens;
    return platform::shell_answer::kStarted;
  }
  int opens = 0;
};

struct Doubles {
  std::shared_ptr<RecordingStarter> starter = std::make_shared<RecordingStarter>();
  std::shared_ptr<RecordingShell> shell = std::make_shared<RecordingShell>();

  // The system's own platform with both doubles in place, the MAPI controls registered over them.
  Platform MakePlatform() const {
    Platform platform = SystemPlatform();
    platform.services = std::make_shared<platform::Services>(*platform.services);
    platform.services->programs = starter;
    platform.services->shell = shell;
    platform.services->servers = std::make_shared<platform::AutomationServers>();
    mapi::RegisterDesktopMapiControls(*platform.services->servers, platform.services->shell,
                                      platform.services->programs);
    return platform;
  }

  // The client would read the body file and leave it; removing it keeps the folder as small as a
  // user's, which every write looks through for old files.
  void RemoveBodyFile() const {
    const std::string& compose = starter->last.back();
    const auto from = compose.find("message=");
    if (from == std::string::npos) return;
    const auto to = compose.find(',', from);
    std::filesystem::remove(compose.substr(from + 8, to - from - 8));
  }
};

// Addresses of 11 characters: 10,000 of them still fit the one argument Thunderbird takes them in
// (the kernel's 128 KiB); longer ones would end that route with "Text too large" well before.
Message MakeMessage(int recipients, std::size_t bodyBytes) {
  std::vector<std::string> to;
  for (int i = 0; i < recipients; ++i) {
    char address[24];
    std::snprintf(address, sizeof address, "r%05d@x.io", i);
    to.emplace_back(address);
  }
  const std::string line = "The minutes of Monday's meeting, with the figures for \xC3\xA9t\xC3\xA9 and the plan.\n";
  std::string body;
  body.reserve(bodyBytes + line.size());
  while (body.size() < bodyBytes) body += line;
  body.resize(bodyBytes);
  return Message{.From = "Ann Example",
                 .addrTO = StringArray(0, std::move(to)),
                 .Subject = "Minutes of the meeting",
                 .Body = std::move(body)};
}

void ReportSize(benchmark::State& state, const Message& message, int recipients) {
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                          static_cast<std::int64_t>(message.Body.size()));
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * recipients);
}

// A send reached the client when the double got exactly one start and nothing fell back.
bool Reached(const Doubles& doubles, int startsBefore) {
  return doubles.starter->starts == startsBefore + 1 && doubles.shell->opens == 0;
}

void MailMapiSend(benchmark::State& state) {
  const int recipients = static_cast<int>(state.range(0));
  const Message message = MakeMessage(recipients, static_cast<std::size_t>(state.range(1)));
  const Doubles doubles;
  const Platform platform = doubles.MakePlatform();
  for (auto _ : state) {
    const int before = doubles.starter->starts;
    MailMAPI mapi(platform);
    const bool sent = mapi.OpenSession("", "") && mapi.Send(message) && mapi.CloseSession();
    state.PauseTiming();
    if (!sent || !Reached(doubles, before)) {
      Fail(state, "the send did not reach the client:\n" + mapi.GetLog());
      break;
    }
    doubles.RemoveBodyFile();
    state.ResumeTiming();
  }
  ReportSize(state, message, recipients);
}

void EmailSend(benchmark::State& state) {
  const int recipients = static_cast<int>(state.range(0));
  const Message message = MakeMessage(recipients, static_cast<std::size_t>(state.range(1)));
  const Doubles doubles;
  auto context = std::make_shared<QuietContext>();
  Email email(doubles.MakePlatform());
  email.SetApplicationContext(context);
  for (auto _ : state) {
    const int before = doubles.starter->starts;
    const bool sent = email.Send(message);
    state.PauseTiming();
    if (!sent || !Reached(doubles, before)) {
      Fail(state, "the send did not reach the client: " + context->last_error);
      break;
    }
    doubles.RemoveBodyFile();
    state.ResumeTiming();
  }
  ReportSize(state, message, recipients);
}

void PosixSpawnTrue(benchmark::State& state) {
  char program[] = "/bin/true";
  char* const argv[] = {program, nullptr};
  for (auto _ : state) {
    pid_t child = 0;
    int status = 0;
    if (posix_spawn(&child, program, nullptr, nullptr, argv, environ) != 0 || waitpid(child, &status, 0) != child ||
        !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      Fail(state, "/bin/true did not run");
      break;
    }
  }
}

void Sizes(benchmark::internal::Benchmark* b) {
  b->ArgNames({"recipients", "body"});
  b->ArgsProduct({{1, 100, 10000}, {1 << 10, 1 << 20, 10 << 20}});
}

}  // namespace

// Wall time throughout: the body file and the settings go to disk, and a spawned child's time is
// not this process's CPU time.
BENCHMARK(MailMapiSend)->Name("Send/MailMAPI")->Apply(Sizes)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(EmailSend)->Name("Send/Email")->Apply(Sizes)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(PosixSpawnTrue)->Name("Send/posix_spawn_bin_true")->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace quorvel::bench

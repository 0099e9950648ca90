// End to end, as whole processes: the time from starting `quorvel send`, `xdg-email` or
// `gio open mailto:…` until the mail client has the message (its recording program has closed its
// record) and the command has exited; client_has_it_ms is the first of the two alone. The same message, the same
// recording client, the same private desktop for all three: one whose only mailto: handler is any client (reached by a
// mailto: link), and one whose handler is Thunderbird (which `quorvel send` and `xdg-email` hand the message as its own
// -compose argument). The desktop has a session bus of its own, and a display is pretended (DISPLAY), since xdg-email
// opens nothing without one; none of the three connects to it.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "bench/bench.h"

extern char** environ;

namespace quorvel::bench {

namespace {

namespace fs = std::filesystem;

constexpr const char* kTo = "ann@example.org";
constexpr const char* kSubject = "Minutes of the meeting";
constexpr const char* kBody = "See you on Monday.";
constexpr const char* kUrl =
    "mailto:ann@example.org?subject=Minutes%20of%20the%20meeting&body=See%20you%20on%20Monday.";

enum Client { kAnyClient, kThunderbird };
enum Tool { kQuorvel, kXdgEmail, kGioOpen };

// A private session bus, as every desktop session has: GIO announces each launch on it, and
// without one, with DISPLAY set, it would try to start one for every command.
class SessionBus {
 public:
  explicit SessionBus(const fs::path& socket) : address_("unix:path=" + socket.string()) {
    std::string program = "dbus-daemon";
    std::string session = "--session";
    std::string no_fork = "--nofork";
    std::string address = "--address=" + address_;
    char* const argv[] = {program.data(), session.data(), no_fork.data(), address.data(), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (const int stream : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_RDWR, 0);
    const int failed = posix_spawnp(&pid_, argv[0], &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (failed) throw std::runtime_error("cannot start dbus-daemon");
    for (int waited = 0; !fs::exists(socket) && waited < 500; ++waited) ::usleep(10000);
    if (!fs::exists(socket)) throw std::runtime_error("dbus-daemon did not listen at " + socket.string());
  }
  ~SessionBus() {
    ::kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }
  SessionBus(const SessionBus&) = delete;
  SessionBus& operator=(const SessionBus&) = delete;

  const std::string& address() const { return address_; }

 private:
  std::string address_;
  pid_t pid_ = -1;
};

struct ClientDesktop {
  explicit ClientDesktop(Client client)
      : id(client == kThunderbird ? "thunderbird" : "mailer"),
        desktop({Desktop::Client{id, client == kThunderbird ? "Mozilla Thunderbird" : "Mailer"}}),
        bus(desktop.runtime() / "bus") {}

  std::string id;
  Desktop desktop;
  SessionBus bus;
};

// Made once per process; not entered: only the commands started run in it.
ClientDesktop& DesktopFor(Client client) {
  static std::array<std::unique_ptr<ClientDesktop>, 2> made;
  auto& desktop = made[client];
  if (!desktop) desktop = std::make_unique<ClientDesktop>(client);
  return *desktop;
}

std::vector<std::string> Command(Tool tool) {
  switch (tool) {
    case kQuorvel: return {QUORVEL_CLI, "send", "--to", kTo, "--subject", kSubject, "--body", kBody};
    case kXdgEmail: return {"xdg-email", "--subject", kSubject, "--body", kBody, kTo};
    case kGioOpen: return {"gio", "open", kUrl};
  }
  return {};
}

// Starts the command with its streams on /dev/null; -1 when it could not be started.
pid_t Start(const std::vector<std::string>& command, const std::vector<std::string>& environment) {
  std::vector<char*> argv;
  for (const auto& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const auto& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  for (const int stream : {0, 1, 2}) posix_spawn_file_actions_addopen(&actions, stream, "/dev/null", O_RDWR, 0);
  pid_t child = -1;
  const int failed = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed ? -1 : child;
}

// Watches the desktop's records folder for a record being closed.
class RecordWatch {
 public:
  explicit RecordWatch(const fs::path& folder) : fd_(inotify_init1(IN_CLOEXEC | IN_NONBLOCK)) {
    if (fd_ >= 0) inotify_add_watch(fd_, folder.c_str(), IN_CLOSE_WRITE);
  }
  ~RecordWatch() {
    if (fd_ >= 0) ::close(fd_);
  }
  RecordWatch(const RecordWatch&) = delete;
  RecordWatch& operator=(const RecordWatch&) = delete;

  int fd() const { return fd_; }
  // Whether the events waiting name the record.
  bool Closed(const std::string& name) const {
    alignas(inotify_event) char buffer[4096];
    bool seen = false;
    for (ssize_t length; (length = ::read(fd_, buffer, sizeof buffer)) > 0;) {
      for (char* at = buffer; at < buffer + length;) {
        const auto* event = reinterpret_cast<const inotify_event*>(at);
        if (event->len > 0 && name == event->name) seen = true;
        at += sizeof(inotify_event) + event->len;
      }
    }
    return seen;
  }

 private:
  int fd_;
};

// Waits, at most 30 s, until the command has exited and the record is closed, noting when the record
// was; the problem, or "".
std::string AwaitHandOff(pid_t child, const RecordWatch& watch, const std::string& record,
                         std::chrono::steady_clock::time_point& recordedAt) {
  const int process = static_cast<int>(::syscall(SYS_pidfd_open, child, 0));
  if (process < 0) return "pidfd_open failed";
  bool exited = false;
  bool recorded = false;
  std::string problem;
  while (!(exited && recorded) && problem.empty()) {
    pollfd waiting[] = {{watch.fd(), POLLIN, 0}, {process, exited ? short(0) : short(POLLIN), 0}};
    if (::poll(waiting, 2, 30000) <= 0) {
      problem = "nothing happened for 30 s";
    } else {
      if (waiting[0].revents && !recorded && watch.Closed(record)) {
        recorded = true;
        recordedAt = std::chrono::steady_clock::now();
      }
      if (waiting[1].revents) {
        int status = 0;
        waitpid(child, &status, 0);
        exited = true;
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) problem = "the command failed";
      }
    }
  }
  ::close(process);
  if (!exited) {
    ::kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  return problem;
}

void HandOff(benchmark::State& state, Client client, Tool tool) {
  ClientDesktop& target = DesktopFor(client);
  const std::vector<std::string> environment =
      target.desktop.ChildEnvironment({{"DISPLAY", ":0"}, {"DBUS_SESSION_BUS_ADDRESS", target.bus.address()}});
  const std::vector<std::string> command = Command(tool);
  const fs::path record = target.desktop.root() / "records" / target.id;
  const RecordWatch watch(record.parent_path());
  // Until the client has the message, apart from the rest: a command also ends its own process, and
  // one that used GIO waits at exit for the kernel to drop the file monitors GIO set up.
  std::chrono::duration<double, std::milli> to_client{};
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    auto recorded_at = start;
    const pid_t child = Start(command, environment);
    const std::string problem =
        child < 0 ? "could not start " + command.front() : AwaitHandOff(child, watch, target.id, recorded_at);
    state.PauseTiming();
    to_client += recorded_at - start;
    std::ifstream in(record, std::ios::binary);
    const std::string arguments((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!problem.empty() || arguments.find(kTo) == std::string::npos) {
      Fail(state, command.front() + ": " + (problem.empty() ? "the client got no message" : problem));
      break;
    }
    fs::remove(record);
    fs::remove_all(target.desktop.runtime() / "quorvel");  // Thunderbird's body files, left for the client
    state.ResumeTiming();
  }
  state.counters["client_has_it_ms"] =
      to_client.count() / static_cast<double>(std::max<std::int64_t>(state.iterations(), 1));
}

void Register(const char* name, Client client, Tool tool) {
  benchmark::RegisterBenchmark(name, HandOff, client, tool)->Unit(benchmark::kMillisecond)->UseRealTime();
}

// Registered when the program starts, like the BENCHMARK cases.
const bool registered = [] {
  Register("EndToEnd/any_client/quorvel_send", kAnyClient, kQuorvel);
  Register("EndToEnd/any_client/gio_open", kAnyClient, kGioOpen);
  Register("EndToEnd/any_client/xdg_email", kAnyClient, kXdgEmail);
  Register("EndToEnd/thunderbird/quorvel_send", kThunderbird, kQuorvel);
  Register("EndToEnd/thunderbird/gio_open", kThunderbird, kGioOpen);
  Register("EndToEnd/thunderbird/xdg_email", kThunderbird, kXdgEmail);
  return true;
}();

}  // namespace

}  // namespace quorvel::bench

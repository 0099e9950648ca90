// Listing the mail clients over the desktop's mailto: handlers (no machine hive, so the desktop
// entries stand for HKEY_LOCAL_MACHINE\Software\Clients\Mail), beside GIO's own listing of the same
// handlers, the floor any listing on this desktop stands on: entries per second over 100, 300 and 1,000
// entries.
//
// The library keeps what it listed until GIO notices a change to the desktop, so GetMailClients is
// measured twice: GetMailClients_after_change, a fresh listing (the desktop's mimeapps.list rewritten
// first, untimed, and GIO's news of it awaited), the one to set beside GIO's; and
// GetMailClients_unchanged, the kept listing read again.
//
// GIO reads a process's desktop once, and this process's desktop is a user's, with three clients; so
// each size has a worker process of its own (this program, run as --listing-worker N) that makes and
// enters a desktop of N handlers, runs one listing per request and answers the time it took.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "bench/bench.h"
#include "platform/linux/desktop_handlers.h"
#include "quorvel/email.h"

extern char** environ;

namespace quorvel::bench {

namespace {

constexpr char kGetMailClientsAfterChange = 'C';
constexpr char kGetMailClientsUnchanged = 'U';
constexpr char kGioListing = 'G';

bool ListWithGetMailClients(Email& email, int entries) {
  StringArray clients;
  std::string default_client;
  return email.GetMailClients(clients, default_client) && clients.items().size() == std::size_t(entries) &&
         default_client == "Mozilla Thunderbird";
}

// What `gio mime x-scheme-handler/mailto` asks GIO: the default handler and every handler, with the
// name and command line of each.
bool ListWithGio(int entries) {
  GList* all = g_app_info_get_all_for_type("x-scheme-handler/mailto");
  GAppInfo* default_handler = g_app_info_get_default_for_type("x-scheme-handler/mailto", FALSE);
  int count = 0;
  for (GList* item = all; item; item = item->next) {
    benchmark::DoNotOptimize(g_app_info_get_name(G_APP_INFO(item->data)));
    benchmark::DoNotOptimize(g_app_info_get_commandline(G_APP_INFO(item->data)));
    ++count;
  }
  const bool found = default_handler != nullptr;
  if (default_handler) g_object_unref(default_handler);
  g_list_free_full(all, g_object_unref);
  return found && count == entries;
}

// Rewrites the file as it is (a write is a change) and waits, two seconds at most, until the
// library's own watch has GIO's news of it.
bool RewriteAndAwaitNews(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(in), {}};
  const std::uint64_t before = platform::DesktopChanges();
  if (!(std::ofstream(file, std::ios::binary) << text)) return false;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (platform::DesktopChanges() == before) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

class ListingWorker {
 public:
  explicit ListingWorker(int entries) {
    int requests[2];
    int answers[2];
    // Close-on-exec, so that no other child holds the worker's end open past this one's end.
    if (::pipe2(requests, O_CLOEXEC) != 0 || ::pipe2(answers, O_CLOEXEC) != 0) throw std::runtime_error("no pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, requests[0], 0);
    posix_spawn_file_actions_adddup2(&actions, answers[1], 1);
    std::string program = "/proc/self/exe";
    std::string flag = "--listing-worker";
    std::string count = std::to_string(entries);
    char* const argv[] = {program.data(), flag.data(), count.data(), nullptr};
    const int failed = posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(requests[0]);
    ::close(answers[1]);
    to_ = requests[1];
    from_ = answers[0];
    if (failed) throw std::runtime_error("cannot start the listing worker");
  }
  ~ListingWorker() {
    ::close(to_);  // the worker ends at the end of its requests
    ::close(from_);
    waitpid(pid_, nullptr, 0);
  }
  ListingWorker(const ListingWorker&) = delete;
  ListingWorker& operator=(const ListingWorker&) = delete;

  // Seconds the listing took in the worker; negative when it failed or the worker is gone.
  double Run(char request) const {
    double seconds = -1;
    if (::write(to_, &request, 1) != 1 || ::read(from_, &seconds, sizeof seconds) != sizeof seconds) return -1;
    return seconds;
  }

 private:
  pid_t pid_ = -1;
  int to_ = -1;
  int from_ = -1;
};

const ListingWorker& WorkerFor(int entries) {
  static std::map<int, std::unique_ptr<ListingWorker>> workers;
  auto& worker = workers[entries];
  if (!worker) worker = std::make_unique<ListingWorker>(entries);
  return *worker;
}

void Listing(benchmark::State& state, char request) {
  const int entries = static_cast<int>(state.range(0));
  const ListingWorker& worker = WorkerFor(entries);
  for (auto _ : state) {
    const double seconds = worker.Run(request);
    if (seconds < 0) {
      Fail(state, "the listing did not give every client and the default, or GIO did not see the change");
      break;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations()) * entries);
}

}  // namespace

int RunListingWorker(int entries) {
  std::vector<Desktop::Client> clients{{"thunderbird", "Mozilla Thunderbird"}};
  for (int i = 1; i < entries; ++i) {
    char id[32];
    std::snprintf(id, sizeof id, "client-%05d", i);
    clients.push_back({id, std::string("Mail Client ") + (id + 7)});
  }
  const Desktop desktop(clients);
  desktop.Enter();  // no machine hive: the desktop's clients are the list

  Email email;
  email.SetApplicationContext(std::make_shared<QuietContext>());
  // GIO watches the desktop's folders from its first listing on.
  if (!ListWithGetMailClients(email, entries)) return 1;
  for (char request; ::read(0, &request, 1) == 1;) {
    const bool changed =
        request != kGetMailClientsAfterChange || RewriteAndAwaitNews(desktop.root() / "config/mimeapps.list");
    const auto start = std::chrono::steady_clock::now();
    const bool listed = request == kGioListing ? ListWithGio(entries) : ListWithGetMailClients(email, entries);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    const double seconds = changed && listed ? took.count() : -1;
    if (::write(1, &seconds, sizeof seconds) != sizeof seconds) break;
  }
  return 0;
}

// The listings over the same desktops.
const bool kListingsRegistered = [] {
  for (const auto& [name, request] : {std::pair{"MailClients/GetMailClients_after_change", kGetMailClientsAfterChange},
                                      {"MailClients/GetMailClients_unchanged", kGetMailClientsUnchanged},
                                      {"MailClients/gio_listing", kGioListing}}) {
    benchmark::RegisterBenchmark(name, Listing, request)
        ->ArgName("entries")
        ->Arg(100)
        ->Arg(300)
        ->Arg(1000)
        ->Unit(benchmark::kMillisecond)
        ->UseManualTime();
  }
  return true;
}();

}  // namespace quorvel::bench

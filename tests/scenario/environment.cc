#include "tests/scenario/environment.h"

#include <charconv>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "platform/automation_servers.h"
#include "platform/file_system_linux.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fake_temp_folder.h"
#include "tests/doubles/fake_version_source.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/scenario/scenario_context.h"

namespace quorvel::scenario {

namespace {
// The roots a scenario's hives can fill, by the names .reg files give them.
platform::HKey Root(const Node& at, const std::string& name) {
  if (name == "HKEY_LOCAL_MACHINE") return platform::kHkeyLocalMachine;
  if (name == "HKEY_CURRENT_USER") return platform::kHkeyCurrentUser;
  at.Fail("unknown root \"" + name + "\" (known: HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER)");
}

// "2026-12-04 01:07:09", the time stamp every line of the trail gets.
platform::LocalTime ReadClock(const Node& clock) {
  platform::LocalTime time;
  int consumed = 0;
  const std::string& text = clock.String();
  const int fields = std::sscanf(text.c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &time.year, &time.month, &time.day,
                                 &time.hour, &time.minute, &time.second, &consumed);
  if (fields != 6 || consumed != static_cast<int>(text.size()) || text.size() != 19 || time.month < 1 ||
      time.month > 12 || time.day < 1 || time.day > 31 || time.hour > 23 || time.minute > 59 || time.second > 59) {
    clock.Fail("expected a local time written \"YYYY-MM-DD hh:mm:ss\", found \"" + text + "\"");
  }
  return time;
}

// "major.minor.platformid", as QUORVEL_WINDOWS_VERSION gives it to the system's version source;
// null makes every call of the version source fail.
std::optional<platform::OsVersionInfo> ReadWindowsVersion(const Node& version) {
  if (version.json().is_null()) return std::nullopt;
  const std::string& text = version.String();
  const auto refuse = [&] { version.Fail("expected \"major.minor.platformid\" or null, found \"" + text + "\""); };
  std::uint32_t fields[3] = {};
  const char* next = text.data();
  const char* const end = text.data() + text.size();
  for (int i = 0; i < 3; ++i) {
    if (i > 0) {
      if (next == end || *next != '.') refuse();
      ++next;
    }
    const auto [stop, error] = std::from_chars(next, end, fields[i]);
    if (error != std::errc{}) refuse();
    next = stop;
  }
  if (next != end) refuse();
  platform::OsVersionInfo info;
  info.major = fields[0];
  info.minor = fields[1];
  info.platform_id = fields[2];
  return info;
}

// A hive is one .reg text, or its lines as an array of strings.
std::string HiveText(const Node& hive) {
  if (!hive.json().is_array()) return hive.String();
  std::string text;
  for (std::size_t i = 0; i < hive.Array().size(); ++i) text += hive.At(i).String() + "\n";
  return text;
}

class EventShell : public platform::Shell {
 public:
  EventShell(std::shared_ptr<testing::FakeShell> shell, EventLog& events) : shell_(std::move(shell)), events_(events) {}
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override {
    const std::size_t event = events_.Add({{"shell", "ShellExecuteA"}, {"operation", operation}, {"file", file}});
    try {
      const std::intptr_t answer = shell_->ShellExecuteA(operation, file);
      events_[event]["answer"] = answer;
      return answer;
    } catch (const AutomationError& error) {
      events_[event]["raised"] = ErrorJson(error);
      throw;
    }
  }

 private:
  std::shared_ptr<testing::FakeShell> shell_;
  EventLog& events_;
};

class EventProgramStarter : public platform::ProgramStarter {
 public:
  EventProgramStarter(std::shared_ptr<testing::FakeProgramStarter> programs, EventLog& events)
      : programs_(std::move(programs)), events_(events) {}
  void StartProgram(const std::vector<std::string>& argv) override {
    const std::size_t event = events_.Add({{"programs", "StartProgram"}, {"argv", argv}});
    try {
      programs_->StartProgram(argv);
    } catch (const AutomationError& error) {
      events_[event]["raised"] = ErrorJson(error);
      throw;
    }
  }

 private:
  std::shared_ptr<testing::FakeProgramStarter> programs_;
  EventLog& events_;
};
}  // namespace

Environment::Environment(const Node& root, EventLog& events, const std::string& sandbox) {
  auto clock = std::make_shared<testing::FixedClock>();
  if (const auto time = root.Find("clock")) clock->Set(ReadClock(*time));
  platform_.clock = clock;

  ReadRegistry(root);

  auto versions = std::make_shared<testing::FakeVersionSource>();
  if (const auto version = root.Find("windows_version")) versions->record = ReadWindowsVersion(*version);
  platform_.versions = versions;

  if (const auto shell = root.Find("shell")) {
    shell->AllowKeys({"answer", "raises"});
    if (const auto answer = shell->Find("answer")) shell_->answer = answer->Int32();
    if (const auto raises = shell->Find("raises")) shell_->failure = raises->Error();
  }
  platform_.shell = std::make_shared<EventShell>(shell_, events);

  if (const auto programs = root.Find("programs")) {
    programs->AllowKeys({"raises"});
    if (const auto raises = programs->Find("raises")) programs_->failure = raises->Error();
  }
  platform_.programs = std::make_shared<EventProgramStarter>(programs_, events);

  if (const auto settings = root.Find("settings")) {
    for (const auto& [app, sections] : settings->Object()) {
      const Node app_node(sections, settings->KeyPath(app));
      for (const auto& [section, keys] : app_node.Object()) {
        const Node section_node(keys, app_node.KeyPath(section));
        for (const auto& [key, value] : section_node.Object()) {
          settings_->values[{app, section, key}] = Node(value, section_node.KeyPath(key)).String();
        }
      }
    }
  }
  platform_.settings = settings_;

  platform_.file_system = std::make_shared<platform::LocalFileSystem>();
  const std::string temp_folder = sandbox + "/tmp/";
  std::filesystem::create_directories(temp_folder);
  auto temp = std::make_shared<testing::FakeTempFolder>(temp_folder);
  if (const auto settings = root.Find("temp_folder")) {
    settings->AllowKeys({"fails"});
    if (const auto fails = settings->Find("fails")) temp->fails = fails->Boolean();
  }
  platform_.temp_folder = temp;

  const auto context = root.Find("context");
  if (!context) {
    context_ = std::make_shared<ScenarioContext>(Node(Json::object(), "context"), events);
  } else if (!context->json().is_null()) {
    context_ = std::make_shared<ScenarioContext>(*context, events);
  }

  platform_.servers = std::make_shared<platform::AutomationServers>();
  if (const auto servers = root.Find("servers")) ReadServers(*servers);
}

void Environment::ReadRegistry(const Node& root) {
  auto registry = std::make_shared<testing::FakeRegistry>();
  if (const auto hives = root.Find("hives")) {
    for (const auto& [name, text] : hives->Object()) {
      const Node hive(text, hives->KeyPath(name));
      const platform::HKey key = Root(hive, name);
      try {
        registry->Keys(key) = platform::ParseRegFile(HiveText(hive), name, hive.path());
      } catch (const AutomationError& error) {
        hive.Fail(error.description());
      }
    }
  }
  if (const auto read_only = root.Find("read_only")) {
    for (std::size_t i = 0; i < read_only->Array().size(); ++i) {
      const Node name = read_only->At(i);
      registry->Grant(Root(name, name.String()), platform::reg_access::kRead);
    }
  }
  if (const auto broken = root.Find("broken")) {
    for (const auto& [name, error] : broken->Object()) {
      const Node node(error, broken->KeyPath(name));
      registry->FailOpens(Root(node, name), node.Error());
    }
  }
  platform_.registry = registry;
}

void Environment::ReadServers(const Node& servers) {
  for (const auto& [prog_id, value] : servers.Object()) {
    const Node node(value, servers.KeyPath(prog_id));
    auto server = std::make_unique<Server>();
    server->kind = node.Get("double").String();
    server->double_ = BuildDouble(node);
    Server& registered = *server;
    platform_.servers->Register(prog_id, [&registered] {
      ++registered.created;
      return registered.double_->Object();
    });
    servers_[prog_id] = std::move(server);
    server_order_.push_back(prog_id);
  }
}

Json Environment::Settings() const {
  Json result = Json::object();
  for (const auto& [name, value] : settings_->values) {
    const auto& [app, section, key] = name;
    result[app][section][key] = value;
  }
  return result;
}

Json Environment::Doubles() const {
  Json result = Json::object();
  for (const auto& prog_id : server_order_) {
    const Server& server = *servers_.at(prog_id);
    Json dump = {{"double", server.kind}, {"created", server.created}};
    Json state = server.double_->Dump();
    for (auto& [key, value] : state.items()) dump[key] = std::move(value);
    result[prog_id] = std::move(dump);
  }
  return result;
}

}  // namespace quorvel::scenario

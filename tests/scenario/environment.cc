#include "tests/scenario/environment.h"

#include <charconv>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <map>
#include <set>

#include "platform/automation_servers.h"
#include "platform/file_system_linux.h"
#include "platform/reg_file.h"
#include "platform/registry.h"
#include "tests/doubles/fake_program_starter.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fake_shell.h"
#include "tests/doubles/fake_temp_folder.h"
#include "tests/doubles/fake_version_source.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/scenario/typed_value.h"

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
  std::uint32_t fields[3] = {};
  const char* next = text.data();
  const char* const end = next + text.size();
  const auto parse = [&] {
    for (int i = 0; i < 3; ++i) {
      if (i > 0 && (next == end || *next++ != '.')) return false;
      const auto [stop, error] = std::from_chars(next, end, fields[i]);
      if (error != std::errc{}) return false;
      next = stop;
    }
    return next == end;
  };
  if (!parse()) version.Fail("expected \"major.minor.platformid\" or null, found \"" + text + "\"");
  return platform::OsVersionInfo{.major = fields[0], .minor = fields[1], .platform_id = fields[2]};
}

// A hive is one .reg text, or its lines as an array of strings.
std::string HiveText(const Node& hive) {
  if (!hive.json().is_array()) return hive.String();
  std::string text;
  for (const Node& line : hive.Items()) text += line.String() + "\n";
  return text;
}

std::shared_ptr<testing::FakeRegistry> ReadRegistry(const Node& root) {
  auto registry = std::make_shared<testing::FakeRegistry>();
  if (const auto hives = root.Find("hives")) {
    for (const auto& [name, hive] : hives->Members()) {
      const platform::HKey key = Root(hive, name);
      try {
        registry->Keys(key) = platform::ParseRegFile(HiveText(hive), name, hive.path());
      } catch (const AutomationError& error) {
        hive.Fail(error.description());
      }
    }
  }
  if (const auto read_only = root.Find("read_only")) {
    for (const Node& name : read_only->Items()) registry->Grant(Root(name, name.String()), platform::reg_access::kRead);
  }
  if (const auto broken = root.Find("broken")) {
    for (const auto& [name, error] : broken->Members()) registry->FailOpens(Root(error, name), error.Error());
  }
  return registry;
}

// The shell and the program starter, each adding an event for every call.
class EventShell : public testing::FakeShell {
 public:
  explicit EventShell(EventLog& events) : events_(events) {}
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override {
    std::intptr_t answer = 0;
    const std::size_t event = Record(events_, {{"shell", "ShellExecuteA"}, {"operation", operation}, {"file", file}},
                                     [&] { answer = FakeShell::ShellExecuteA(operation, file); });
    events_[event]["answer"] = answer;
    return answer;
  }

 private:
  EventLog& events_;
};

class EventProgramStarter : public testing::FakeProgramStarter {
 public:
  explicit EventProgramStarter(EventLog& events) : events_(events) {}
  void StartProgram(const std::vector<std::string>& argv) override {
    Record(events_, {{"programs", "StartProgram"}, {"argv", argv}}, [&] { FakeProgramStarter::StartProgram(argv); });
  }

 private:
  EventLog& events_;
};

// The application context a scenario hands the library: it answers as the scenario says and adds
// an event for every call into it, with the thread's current error at that moment.
class ScenarioContext : public ApplicationContext {
 public:
  // "context": {"ApplicationName": "Host App", "msgbox_answers": [6, 7], "lacks": ["SessionLogAdd"],
  //             "raises": {"MsgBox": {"number": 5}}}
  ScenarioContext(const Node& config, EventLog& events) : events_(events) {
    config.AllowKeys({"ApplicationName", "msgbox_answers", "lacks", "raises"});
    if (const auto name = config.Find("ApplicationName")) application_name_ = name->String();
    if (const auto answers = config.Find("msgbox_answers")) {
      for (const Node& answer : answers->Items()) msgbox_answers_.push_back(answer.Int32());
    }
    if (const auto lacks = config.Find("lacks")) {
      for (const Node& member : lacks->Items()) lacks_.insert(KnownMember(member, member.String()));
    }
    if (const auto raises = config.Find("raises")) {
      for (const auto& [member, error] : raises->Members()) raises_.emplace(KnownMember(error, member), error.Error());
    }
  }

  void SessionLogAdd(const std::string& line) override {
    Enter("SessionLogAdd", {ToTyped(line)}, [&] { ApplicationContext::SessionLogAdd(line); });
  }
  void SessionLogAddVerbose(const std::string& line) override {
    Enter("SessionLogAddVerbose", {ToTyped(line)}, [&] { ApplicationContext::SessionLogAddVerbose(line); });
  }
  void AppErrorPreserve(const std::string& procedure, std::string& step) override {
    Enter("AppErrorPreserve", {ToTyped(procedure), ToTyped(step)},
          [&] { ApplicationContext::AppErrorPreserve(procedure, step); });
  }
  void AppErrorLog(bool first, bool second) override {
    Enter("AppErrorLog", {ToTyped(first), ToTyped(second)}, [&] { ApplicationContext::AppErrorLog(first, second); });
  }
  std::string ApplicationName() override {
    const std::size_t event = Enter("ApplicationName", {}, [&] { ApplicationContext::ApplicationName(); });
    events_[event]["answer"] = ToTyped(application_name_);
    return application_name_;
  }
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override {
    const std::size_t event = Enter("MsgBox", {ToTyped(prompt), ToTyped(buttons), ToTyped(title)},
                                    [&] { ApplicationContext::MsgBox(prompt, buttons, title); });
    std::int32_t answer = 1;  // once the scripted answers run out, the user presses OK
    if (!msgbox_answers_.empty()) {
      answer = msgbox_answers_.front();
      msgbox_answers_.pop_front();
    }
    events_[event]["answer"] = ToTyped(answer);
    return answer;
  }

 private:
  static const std::string& KnownMember(const Node& at, const std::string& name) {
    static const std::set<std::string> kMembers = {"SessionLogAdd", "SessionLogAddVerbose", "AppErrorPreserve",
                                                   "AppErrorLog",   "ApplicationName",      "MsgBox"};
    if (kMembers.count(name) == 0) at.Fail("\"" + name + "\" is not a member of the application context");
    return name;
  }

  // Adds the event, then raises when the scenario says the member is lacking (as the library's base
  // context does) or raises; answers the event's position.
  template <class Lacking>
  std::size_t Enter(const char* member, std::vector<Json> args, Lacking&& lacking) {
    return Record(events_, {{"context", member}, {"args", args}, {"current_error", CurrentErrorJson()}}, [&] {
      if (lacks_.count(member) > 0) lacking();
      if (const auto raised = raises_.find(member); raised != raises_.end()) throw raised->second;
    });
  }

  EventLog& events_;
  std::string application_name_ = "Host App";
  std::deque<std::int32_t> msgbox_answers_;
  std::set<std::string> lacks_;
  std::map<std::string, AutomationError> raises_;
};
}  // namespace

Environment::Environment(const Node& root, EventLog& events, const std::string& sandbox) {
  auto clock = std::make_shared<testing::FixedClock>();
  if (const auto time = root.Find("clock")) clock->Set(ReadClock(*time));
  platform_.clock = clock;

  platform_.registry = ReadRegistry(root);

  auto versions = std::make_shared<testing::FakeVersionSource>();
  if (const auto version = root.Find("windows_version")) versions->record = ReadWindowsVersion(*version);
  platform_.versions = versions;

  auto shell = std::make_shared<EventShell>(events);
  if (const auto config = root.Find("shell")) {
    config->AllowKeys({"answer", "raises"});
    if (const auto answer = config->Find("answer")) shell->answer = answer->Int32();
    if (const auto raises = config->Find("raises")) shell->failure = raises->Error();
  }
  platform_.shell = shell;

  auto programs = std::make_shared<EventProgramStarter>(events);
  if (const auto config = root.Find("programs")) {
    config->AllowKeys({"raises"});
    if (const auto raises = config->Find("raises")) programs->failure = raises->Error();
  }
  platform_.programs = programs;

  if (const auto settings = root.Find("settings")) {
    for (const auto& [app, sections] : settings->Members()) {
      for (const auto& [section, keys] : sections.Members()) {
        for (const auto& [key, value] : keys.Members()) settings_->values[{app, section, key}] = value.String();
      }
    }
  }
  platform_.settings = settings_;

  platform_.file_system = std::make_shared<platform::LocalFileSystem>();
  const std::string temp_folder = sandbox + "/tmp/";
  std::filesystem::create_directories(temp_folder);
  auto temp = std::make_shared<testing::FakeTempFolder>(temp_folder);
  if (const auto config = root.Find("temp_folder")) {
    config->AllowKeys({"fails"});
    if (const auto fails = config->Find("fails")) temp->fails = fails->Boolean();
  }
  platform_.temp_folder = temp;

  const auto context = root.Find("context");
  if (!context) {
    context_ = std::make_shared<ScenarioContext>(Node(Json::object(), "context"), events);
  } else if (!context->json().is_null()) {
    context_ = std::make_shared<ScenarioContext>(*context, events);
  }

  platform_.servers = std::make_shared<platform::AutomationServers>();
  if (const auto servers = root.Find("servers")) {
    for (const auto& [prog_id, config] : servers->Members()) {
      Server& server = servers_.emplace_back(Server{prog_id, config.Get("double").String(), BuildDouble(config)});
      platform_.servers->Register(prog_id, [&server] {
        ++server.created;
        return server.double_->Object();
      });
    }
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
  for (const Server& server : servers_) {
    Json& dump = result[server.prog_id] = {{"double", server.kind}, {"created", server.created}};
    dump.update(server.double_->Dump());
  }
  return result;
}

}  // namespace quorvel::scenario

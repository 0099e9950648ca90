#include "tests/scenario/environment.h"

#include <array>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <stdexcept>

#include "platform/automation_servers.h"
#include "platform/file_system_linux.h"
#include "platform/program_start.h"
#include "platform/reg_file.h"
#include "platform/temp_folder_linux.h"
#include "platform/version_linux.h"
#include "tests/doubles/fake_mapi_controls.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fake_shell.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"

namespace quorvel::scenario {

namespace {
namespace fs = std::filesystem;

// The automation doubles a server can be, by the kind its "double" names.
template <class Double>
std::shared_ptr<Double> Make() {
  return std::make_shared<Double>();
}
const std::map<std::string, std::function<std::shared_ptr<testing::RecordedObject>()>> kDoubleKinds = {
    {"mapi-session", Make<testing::FakeMapiSession>},
    {"mapi-messages", Make<testing::FakeMapiMessages>},
};

// The roots a scenario's hives can fill, by the names .reg files give them.
platform::HKey Root(const Node& at, const std::string& name) {
  at.Known(name, std::array{"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}, "root");
  return name == "HKEY_LOCAL_MACHINE" ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser;
}

std::shared_ptr<testing::FakeRegistry> ReadRegistry(const Node& root) {
  auto registry = std::make_shared<testing::FakeRegistry>();
  if (const auto hives = root.Find("hives")) {
    for (const auto& [name, hive] : hives->Members()) {
      // A hive is one .reg text, or its lines as an array of strings.
      std::string text = hive.json().is_array() ? "" : hive.String();
      if (hive.json().is_array()) {
        for (const Node& line : hive.Items()) text += line.String() + "\n";
      }
      try {
        registry->Keys(Root(hive, name)) = platform::ParseRegFile(text, name, hive.path());
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

// "2026-12-04 01:07:09", the time stamp every line of the trail gets.
platform::LocalTime ReadClock(const Node& clock) {
  platform::LocalTime t;
  int consumed = 0;
  const int fields = std::sscanf(clock.String().c_str(), "%4d-%2d-%2d %2d:%2d:%2d%n", &t.year, &t.month, &t.day,
                                 &t.hour, &t.minute, &t.second, &consumed);
  if (fields != 6 || consumed != 19 || clock.String().size() != 19 || t.month < 1 || t.month > 12 || t.day < 1 ||
      t.day > 31 || t.hour > 23 || t.minute > 59 || t.second > 59) {
    clock.Fail("expected a local time written \"YYYY-MM-DD hh:mm:ss\"");
  }
  return t;
}

// The shell and the program starter, each adding an event for every call.
class EventShell : public testing::FakeShell {
 public:
  explicit EventShell(Environment& environment) : environment_(environment) {}
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override {
    std::intptr_t answer = 0;
    const std::size_t event =
        environment_.Record({{"shell", "ShellExecuteA"}, {"operation", operation}, {"file", file}},
                            [&] { answer = FakeShell::ShellExecuteA(operation, file); });
    environment_.events[event]["answer"] = answer;
    return answer;
  }

 private:
  Environment& environment_;
};

class EventProgramStarter : public platform::ProgramStarter {
 public:
  explicit EventProgramStarter(Environment& environment) : environment_(environment) {}
  void StartProgram(const std::vector<std::string>& argv) override {
    environment_.Record({{"programs", "StartProgram"}, {"argv", argv}}, [&] {
      if (failure) throw *failure;
    });
  }
  std::optional<AutomationError> failure;

 private:
  Environment& environment_;
};

// The system's temp folder over the sandbox's "tmp" ($TMPDIR), drawing 1, 2, … so that names are known in
// advance; with "fails", every draw is 0, which never names a file.
class CountingTempFolder : public platform::SystemTempFolder {
 public:
  bool fails = false;

 protected:
  std::uint32_t NextUniqueNumber() override { return fails ? 0 : ++last_; }

 private:
  std::uint32_t last_ = 0;
};

// The thread's current error, or null while no trap is reporting one.
Json CurrentErrorJson() {
  const ErrorInfo& error = CurrentError();
  if (error.number == 0) return nullptr;
  return ErrorJson(AutomationError(error.number, error.description, error.source));
}

// "context": {"ApplicationName": "Host App", "msgbox_answers": [6, 7], "lacks": ["SessionLogAdd"],
//             "raises": {"MsgBox": {"number": 5}}}; every call into it is an event.
std::shared_ptr<ApplicationContext> ReadContext(const Node& config, Environment& environment) {
  static const std::array kMembers = {"SessionLogAdd", "SessionLogAddVerbose", "AppErrorPreserve",
                                      "AppErrorLog",   "ApplicationName",      "MsgBox"};
  config.AllowKeys({"ApplicationName", "msgbox_answers", "lacks", "raises"});
  std::set<std::string> lacks;
  if (const auto members = config.Find("lacks")) {
    for (const Node& member : members->Items()) lacks.insert(member.Known(member.String(), kMembers, "member"));
  }
  const auto name = config.Find("ApplicationName");
  auto context = std::make_shared<testing::RecordingContext>(name ? name->String() : "Host App", lacks);
  if (const auto answers = config.Find("msgbox_answers")) {
    for (const Node& answer : answers->Items()) context->msgbox_answers.push_back(answer.Int32());
  }
  if (const auto raises = config.Find("raises")) {
    for (const auto& [member, error] : raises->Members()) {
      context->raises.emplace(error.Known(member, kMembers, "member"), error.Error());
    }
  }
  context->around = [&environment](const std::string& member, const std::vector<Variant>& args,
                                   const std::function<Variant()>& run) {
    Json typed = Json::array();
    for (const Variant& arg : args) typed.push_back(ToTyped(arg));
    Variant answer;
    const std::size_t event = environment.Record(
        {{"context", member}, {"args", typed}, {"current_error", CurrentErrorJson()}}, [&] { answer = run(); });
    if (!answer.Is<Variant::Empty>()) environment.events[event]["answer"] = ToTyped(answer);
    return answer;
  };
  return context;
}
}  // namespace

Sandbox::Sandbox() {
  path_ = (fs::temp_directory_path() / "quorvel-scenario-XXXXXX").string();
  if (::mkdtemp(path_.data()) == nullptr) throw std::runtime_error("cannot make a folder " + path_);
}

Sandbox::~Sandbox() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

void Sandbox::Write(const Node& files) {
  for (const auto& [name, file] : files.Members()) {
    const fs::path relative = fs::path(name).lexically_normal();
    // Every file stays inside the folder, so removing the folder removes everything the run made.
    if (relative.empty() || relative.is_absolute() || *relative.begin() == ".." || relative.filename().empty()) {
      file.Fail("a file's name is a relative path inside the sandbox");
    }
    const fs::path target = fs::path(path_) / relative;
    fs::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << file.String();
    written_[relative.generic_string()] = file.String();
  }
}

Json Sandbox::Written() const {
  std::map<std::string, std::string> changed;  // sorted, so the transcript does not depend on the folder's order
  for (const auto& entry : fs::recursive_directory_iterator(path_)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), path_).generic_string();
    std::ifstream in(entry.path(), std::ios::binary);
    std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto before = written_.find(relative);
    if (before == written_.end() || before->second != contents) changed[relative] = std::move(contents);
  }
  return changed;
}

Json Sandbox::Replace(const Json& value, const std::string& from, const std::string& to, bool keys) {
  const auto replace = [&](std::string text) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
    return text;
  };
  if (value.is_string()) return replace(value.get<std::string>());
  Json changed = value;
  if (value.is_array()) {
    for (auto& item : changed) item = Replace(item, from, to, keys);
  } else if (value.is_object()) {
    changed = Json::object();
    for (const auto& [key, item] : value.items()) changed[keys ? replace(key) : key] = Replace(item, from, to, keys);
  }
  return changed;
}

Environment::Environment(const Node& root, const Sandbox& sandbox) {
  platform_.clock = std::make_shared<testing::FixedClock>();
  if (const auto clock = root.Find("clock")) platform_.clock = std::make_shared<testing::FixedClock>(ReadClock(*clock));
  platform_.registry = ReadRegistry(root);

  // The system's own version source reads the scenario's version; null makes every call fail.
  const auto version = root.Find("windows_version");
  if (version && !version->json().is_null()) {
    ::setenv("QUORVEL_WINDOWS_VERSION", version->String().c_str(), 1);
  } else {
    ::unsetenv("QUORVEL_WINDOWS_VERSION");
  }
  platform_.versions = std::make_shared<platform::EnvironmentVersionSource>();

  auto shell = std::make_shared<EventShell>(*this);
  if (const auto config = root.Find("shell")) {
    config->AllowKeys({"answer", "raises"});
    if (const auto answer = config->Find("answer")) shell->answer = answer->Int32();
    if (const auto raises = config->Find("raises")) shell->failure = raises->Error();
  }
  platform_.shell = shell;

  auto programs = std::make_shared<EventProgramStarter>(*this);
  if (const auto config = root.Find("programs")) {
    config->AllowKeys({"raises"});
    programs->failure = config->Get("raises").Error();
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

  const std::string temp_folder = sandbox.path() + "/tmp";
  fs::create_directories(temp_folder);
  ::setenv("TMPDIR", temp_folder.c_str(), 1);
  auto temp = std::make_shared<CountingTempFolder>();
  if (const auto config = root.Find("temp_folder")) {
    config->AllowKeys({"fails"});
    temp->fails = config->Get("fails").Boolean();
  }
  platform_.temp_folder = temp;

  const auto context = root.Find("context");
  if (!context) context_ = ReadContext(Node(Json::object(), "context"), *this);
  if (context && !context->json().is_null()) context_ = ReadContext(*context, *this);

  platform_.servers = std::make_shared<platform::AutomationServers>();
  if (const auto servers = root.Find("servers")) {
    std::vector<std::string> kinds;
    for (const auto& [kind, make] : kDoubleKinds) kinds.push_back(kind);
    for (const auto& [prog_id, config] : servers->Members()) {
      const Node kind = config.Get("double");
      auto object = kDoubleKinds.at(kind.Known(kind.String(), kinds, "double"))();
      Server& server = servers_.emplace_back(
          Server{prog_id, kind.String(), std::dynamic_pointer_cast<AutomationObject>(object), object.get()});
      // "fail": {"Member": ERROR}, and any key of the double's state, preset with a value of its type.
      std::vector<std::string> keys = {"double", "fail"};
      for (const auto& [key, value] : object->state.items()) keys.push_back(key);
      for (const auto& [key, value] : config.Members()) {
        if (value.Known(key, keys, "key") == "fail") {
          for (const auto& [member, error] : value.Members()) {
            object->failures.insert_or_assign(error.Known(member, object->members, "member"), error.Error());
          }
        } else if (key != "double") {
          Json& preset = object->state[key];
          preset = preset.is_boolean() ? Json(value.Boolean()) : Json(value.Int32());
        }
      }
      platform_.servers->Register(prog_id, [&server] {
        ++server.created;
        return server.object;
      });
    }
  }
}

std::size_t Environment::Record(Json event, const std::function<void()>& call) {
  events.push_back(std::move(event));
  const std::size_t position = events.size() - 1;
  try {
    call();
  } catch (const AutomationError& error) {
    events[position]["raised"] = ErrorJson(error);
    throw;
  }
  return position;
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
    result[server.prog_id] = {{"double", server.kind}, {"created", server.created}};
    result[server.prog_id].update(server.recorded->Dump());
  }
  return result;
}

}  // namespace quorvel::scenario

// quorvel-scenario [--through-com] FILE.json: runs a scenario against the library with the platform and
// automation doubles and prints its transcript. Exit status: 0 when the scenario ran (whatever the library
// answered), 2 for a malformed scenario or a usage error, 1 when the runner itself failed.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <ctime>
#include <deque>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <set>
#include <sstream>

#include "platform/automation_servers.h"
#include "platform/console.h"
#include "platform/environment_version.h"
#include "platform/local_file_system.h"
#include "platform/program_start.h"
#include "platform/reg_file.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/shell.h"
#include "platform/system_temp_folder.h"
#include "quorvel/message_box.h"
#include "quorvel/platform.h"
#include "tests/doubles/fake_cdo_objects.h"
#include "tests/doubles/fake_mapi_controls.h"
#include "tests/doubles/fake_outlook.h"
#include "tests/doubles/fake_registry.h"
#include "tests/doubles/fixed_clock.h"
#include "tests/doubles/recording_context.h"
#include "tests/scenario/classes.h"
#include "tests/support/test_support.h"

namespace quorvel::scenario {
namespace {
namespace fs = std::filesystem;

// Scenarios and transcripts keep their keys in the order written, so a transcript reads like its scenario.
using Json = nlohmann::ordered_json;

// Reading. Every value read lies inside the scenario, where RunScenario finds a refused one to name its
// path ("calls[1].args[7]: ..."); each accessor refuses a value of another JSON type.
struct Refusal {
  const Json* at;
  std::string problem;
};
[[noreturn]] void Refuse(const Json& at, std::string problem) { throw Refusal{&at, std::move(problem)}; }

const Json kNull, kNoObject = Json::object(), kNoArray = Json::array();

const Json& Expect(const Json& value, bool ok, const std::string& what) {
  if (!ok) Refuse(value, "expected " + what + ", found " + (value.is_number() ? value.dump() : value.type_name()));
  return value;
}
const Json& Object(const Json& value) { return Expect(value, value.is_object(), "an object"); }
const Json& Array(const Json& value) { return Expect(value, value.is_array(), "an array"); }
const std::string& String(const Json& value) {
  return Expect(value, value.is_string(), "a string").get_ref<const std::string&>();
}
bool Boolean(const Json& value) { return Expect(value, value.is_boolean(), "true or false").get<bool>(); }
std::int32_t Long(const Json& value) {
  const bool fits = value.is_number_integer() && value.get<double>() >= INT32_MIN && value.get<double>() <= INT32_MAX;
  return Expect(value, fits, "a whole number from -2147483648 to 2147483647").get<std::int32_t>();
}

// An object's member: Find answers nullptr when it is absent, At the value given for that, Get refuses it.
const Json* Find(const Json& object, const std::string& key) {
  const auto found = Object(object).find(key);
  return found == object.end() ? nullptr : &*found;
}
const Json& At(const Json& object, const std::string& key, const Json& absent) {
  const Json* found = Find(object, key);
  return found ? *found : absent;
}
const Json& Get(const Json& object, const std::string& key) {
  if (const Json* found = Find(object, key)) return *found;
  Refuse(object, "the key \"" + key + "\" is required");
}

std::string Join(const std::vector<std::string>& names) {
  std::string list;
  for (const auto& name : names) list += (list.empty() ? "" : ", ") + name;
  return list;
}
// Refuses an object holding a key not listed, so that a misspelt key never goes unnoticed.
void AllowKeys(const Json& object, const std::vector<std::string>& keys) {
  for (const auto& [key, value] : Object(object).items()) {
    if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
      Refuse(object, "unknown key \"" + key + "\" (known here: " + Join(keys) + ")");
    }
  }
}
// Refuses, at the value, a name not in the list, naming what it is and the names known.
std::string Known(const Json& at, const std::string& name, const std::vector<std::string>& names,
                  const std::string& what) {
  if (std::find(names.begin(), names.end(), name) == names.end()) {
    Refuse(at, "unknown " + what + " \"" + name + "\" (known: " + Join(names) + ")");
  }
  return name;
}
template <class Map>
std::vector<std::string> Names(const Map& map) {
  std::vector<std::string> names;
  for (const auto& [name, value] : map) names.push_back(name);
  return names;
}

// Appends the way from node to the value `at`: a key made of letters, digits, '_' and '.' after a dot,
// any other key as a quoted index, an element as its index. False when `at` is not inside node.
bool FindPath(const Json& node, const Json* at, std::string& path) {
  if (&node == at) return true;
  std::size_t index = 0;
  for (auto item = node.begin(); node.is_structured() && item != node.end(); ++item, ++index) {
    const std::size_t length = path.size();
    const std::string key = node.is_object() ? item.key() : "";
    const bool plain = !key.empty() && std::all_of(key.begin(), key.end(), [](unsigned char c) {
      return std::isalnum(c) || c == '_' || c == '.';
    });
    if (node.is_array())
      path += "[" + std::to_string(index) + "]";
    else
      path += plain ? (path.empty() ? "" : ".") + key : "[" + Json(key).dump() + "]";
    if (FindPath(*item, at, path)) return true;
    path.resize(length);
  }
  return false;
}

// {"number": 5, "description": "...", "source": "..."}: the description defaults to the runtime's own
// text for the number, the source to the library's.
AutomationError ReadError(const Json& error) {
  AllowKeys(error, {"number", "description", "source"});
  const std::int32_t number = Long(Get(error, "number"));
  return AutomationError(number, String(At(error, "description", Json(StandardDescription(number)))),
                         String(At(error, "source", Json(kLibrarySource))));
}
Json ErrorJson(const AutomationError& error) {
  return {{"number", error.number()}, {"description", error.description()}, {"source", error.source()}};
}

// Typed values: {"text": "a"}  {"texts": ["a"], "lower": 1}  {"undimensioned": true, "of": "variants"}
// {"variants": [{"long": 1}], "lower": 0}  {"long": 5}  {"double": 2.5}  {"bool": true}, and the markers.
const std::vector<std::string> kKinds = {"text",    "texts", "undimensioned", "variants", "empty",  "null",
                                         "missing", "long",  "double",        "bool",     "nothing"};
const std::map<std::string, Variant> kMarkers = {{"empty", Variant::Empty{}},
                                                 {"null", Variant::Null{}},
                                                 {"missing", Variant::Missing{}},
                                                 {"nothing", Variant::Object{}}};

Variant FromTyped(const Json& typed) {
  const std::string kind = Known(typed, Object(typed).empty() ? "" : typed.begin().key(), kKinds, "kind of value");
  const Json& value = typed.front();
  const bool array = kind == "texts" || kind == "variants";
  std::vector<std::string> keys = {kind};
  if (array || kind == "undimensioned") keys.push_back(array ? "lower" : "of");
  AllowKeys(typed, keys);
  if (kind == "text") return String(value);
  if (kind == "long") return Long(value);
  if (kind == "double") return Expect(value, value.is_number(), "a number").get<double>();
  // -1 and 0 are accepted too, so a value copied from a transcript reads back the same.
  if (kind == "bool")
    return Variant(value.is_number() ? Known(value, value.dump(), {"-1", "0"}, "Boolean") == "-1" : Boolean(value));
  if (array) {
    const Json* lower = Find(typed, "lower");
    const std::int32_t bound = lower ? Long(*lower) : 0;
    // The bounds are Longs: an array whose upper bound would pass the largest Long cannot exist.
    if (std::int64_t{bound} + static_cast<std::int64_t>(Array(value).size()) - 1 > INT32_MAX) {
      Refuse(*lower, "the upper bound, lower + count - 1, passes the largest Long");
    }
    std::vector<Variant> items;
    std::vector<std::string> texts;
    for (const Json& item : value) {
      if (kind == "texts")
        texts.push_back(String(item));
      else
        items.push_back(FromTyped(item));
    }
    return kind == "texts" ? Variant(StringArray(bound, texts)) : Variant(VariantArray(bound, items));
  }
  Expect(value, value == true, "true");
  if (kind != "undimensioned") return kMarkers.at(kind);
  const Json* of = Find(typed, "of");
  if (of && Known(*of, String(*of), {"texts", "variants"}, "array") == "variants") return VariantArray();
  return StringArray();
}

Json ToTyped(const Variant& value) {
  for (const auto& [kind, marker] : kMarkers) {
    if (value == marker) return {{kind, true}};
  }
  if (const auto* flag = value.GetIf<bool>()) return {{"bool", *flag ? -1 : 0}};
  if (const auto* number = value.GetIf<std::int32_t>()) return {{"long", *number}};
  if (const auto* number = value.GetIf<double>()) return {{"double", *number}};
  if (const auto* text = value.GetIf<std::string>()) return {{"text", *text}};
  if (const auto* texts = value.GetIf<StringArray>()) {
    if (!texts->IsDimensioned()) return {{"undimensioned", true}};
    return {{"texts", texts->items()}, {"lower", texts->LBound()}};
  }
  if (const auto* variants = value.GetIf<VariantArray>()) {
    if (!variants->IsDimensioned()) return {{"undimensioned", true}, {"of", "variants"}};
    Json items = Json::array();
    for (const auto& item : variants->items()) items.push_back(ToTyped(item));
    return {{"variants", items}, {"lower", variants->LBound()}};
  }
  return {{"object", (*value.GetIf<Variant::Object>())->ClassName()}};
}

// The environment: the platform around the library, read from the scenario, each seam a double but
// the file system, temp folder and version source, which are the system's own inside the sandbox.

// A fresh temporary folder, removed when the run ends. Its path is written "${SANDBOX}" in scenarios
// and transcripts, so both stay the same from one run to the next.
struct Sandbox {
  // Every `from` in the value's text becomes `to`, both written as JSON writes them (a Windows path's
  // backslashes doubled).
  static Json Replace(const Json& value, const std::string& from, const std::string& to) {
    const auto inside_quotes = [](const std::string& text) {
      const std::string quoted = Json(text).dump();
      return quoted.substr(1, quoted.size() - 2);
    };
    const std::string json_from = inside_quotes(from), json_to = inside_quotes(to);
    std::string text = value.dump(-1, ' ', false, Json::error_handler_t::replace);
    for (auto at = text.find(json_from); at != std::string::npos; at = text.find(json_from, at + json_to.size())) {
      text.replace(at, json_from.size(), json_to);
    }
    return Json::parse(text);
  }

  testing::TempDir folder;
  std::string path = folder.path().string();
  std::map<std::string, std::string> written;  // what the scenario's "files" wrote, by relative path
};

// "files": {"relative/path.txt": "contents"}, written into the sandbox; folders are made as needed.
void WriteFiles(const Json& files, Sandbox& sandbox) {
  for (const auto& [name, contents] : Object(files).items()) {
    const fs::path relative = fs::path(name).lexically_normal();
    // Every file stays inside the folder, so removing the folder removes everything the run made.
    if (relative.empty() || relative.is_absolute() || *relative.begin() == ".." || relative.filename().empty()) {
      Refuse(contents, "a file's name is a relative path inside the sandbox");
    }
    fs::create_directories((sandbox.path / relative).parent_path());
    std::ofstream(sandbox.path / relative, std::ios::binary) << String(contents);
    sandbox.written[relative.generic_string()] = String(contents);
  }
}

// The files in the sandbox that the scenario did not write, or whose contents changed, by relative path.
Json FilesWritten(const Sandbox& sandbox) {
  std::map<std::string, std::string> changed;  // sorted, so the transcript does not depend on the folder's order
  for (const auto& entry : fs::recursive_directory_iterator(sandbox.path)) {
    if (!entry.is_regular_file()) continue;
    const std::string relative = fs::relative(entry.path(), sandbox.path).generic_string();
    std::ifstream in(entry.path(), std::ios::binary);
    std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    const auto before = sandbox.written.find(relative);
    if (before == sandbox.written.end() || before->second != contents) changed[relative] = contents;
  }
  return changed;
}

// "2026-12-04 01:07:09", the time stamp every line of the trail gets.
platform::LocalTime ReadClock(const Json& clock) {
  std::tm t{};
  std::istringstream text(String(clock));
  text >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
  if (text.fail() || text.peek() != EOF || String(clock).size() != 19 || t.tm_sec > 59) {
    Refuse(clock, "expected a local time written \"YYYY-MM-DD hh:mm:ss\"");
  }
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

// The roots a scenario's hives can fill, by the names .reg files give them.
platform::HKey Root(const Json& at, const std::string& name) {
  const bool machine = Known(at, name, {"HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER"}, "root") == "HKEY_LOCAL_MACHINE";
  return machine ? platform::kHkeyLocalMachine : platform::kHkeyCurrentUser;
}

std::shared_ptr<testing::FakeRegistry> ReadRegistry(const Json& scenario) {
  auto registry = std::make_shared<testing::FakeRegistry>();
  for (const auto& [name, hive] : Object(At(scenario, "hives", kNoObject)).items()) {
    // A hive is one .reg text, or its lines as an array of strings.
    std::string text = hive.is_array() ? "" : String(hive);
    for (const Json& line : hive.is_array() ? hive : kNoArray) text += String(line) + "\n";
    try {
      registry->Keys(Root(hive, name)) = platform::ParseRegFile(text, name, "hives." + name);
    } catch (const AutomationError& error) {
      Refuse(hive, error.description());
    }
  }
  for (const Json& name : Array(At(scenario, "read_only", kNoArray))) {
    registry->Grant(Root(name, String(name)), platform::reg_access::kRead);
  }
  for (const auto& [name, error] : Object(At(scenario, "broken", kNoObject)).items()) {
    registry->FailOpens(Root(error, name), ReadError(error));
  }
  return registry;
}

// The settings store in memory, {"App": {"Section": {"Key": "value"}}}, sorted as the transcript shows it.
struct SettingsInMemory : platform::SettingsStore {
  std::string GetSetting(const std::string& app, const std::string& section, const std::string& key,
                         const std::string& absent) override {
    return values.value(app, nlohmann::json::object()).value(section, nlohmann::json::object()).value(key, absent);
  }
  void SaveSetting(const std::string& app, const std::string& section, const std::string& key,
                   const std::string& value) override {
    values[app][section][key] = value;
  }
  nlohmann::json values = nlohmann::json::object();
};

// The system's temp folder, drawing 1, 2, … so that names are known in advance; with `fails`, every draw is
// 0, which never names a file.
struct CountingTempFolder : platform::SystemTempFolder {
  std::uint32_t NextUniqueNumber() override { return fails ? 0 : ++last; }
  bool fails = false;
  std::uint32_t last = 0;
};

// The automation doubles a server can be, by the kind its "double" names.
template <class Double>
std::shared_ptr<testing::RecordedObject> Make() {
  return std::make_shared<Double>();
}
// With --through-com (Windows), serves a double of CDO or Outlook through the system's COM, to the late-bound
// adapters SystemPlatform() registers, and answers true (through_com_windows.cc); none otherwise.
bool (*through_com)(const std::string& prog_id, const std::string& kind, platform::AutomationServers::Factory);

const std::map<std::string, std::shared_ptr<testing::RecordedObject> (*)()> kDoubleKinds = {
    {"mapi-session", Make<testing::FakeMapiSession>},
    {"mapi-messages", Make<testing::FakeMapiMessages>},
    {"cdo-session", Make<testing::FakeCdoSession>},
    {"outlook-application", Make<testing::FakeOutlookApplication>},
};

class Environment : public platform::Shell, public platform::ProgramStarter, public platform::MessageBox {
 public:
  Environment(const Json& scenario, const std::string& sandbox) {
    const Json* clock = Find(scenario, "clock");
    platform.services = std::make_shared<platform::Services>();
    platform.clock = std::make_shared<testing::FixedClock>(clock ? ReadClock(*clock) : testing::FixedClock().Now());
    platform.services->registry = ReadRegistry(scenario);
    // The system's own version source reads the scenario's version; null makes every call fail.
    const Json& version = At(scenario, "windows_version", kNull);
    testing::PutVariable("QUORVEL_WINDOWS_VERSION", version.is_null() ? std::nullopt : std::optional(String(version)));
    platform.services->versions = std::make_shared<platform::EnvironmentVersionSource>();
    const Json& shell = At(scenario, "shell", kNoObject);
    AllowKeys(shell, {"answer", "raises"});
    shell_answer_ = Long(At(shell, "answer", Json(shell_answer_)));
    if (const Json* raises = Find(shell, "raises")) shell_raises_ = ReadError(*raises);
    if (const Json* programs = Find(scenario, "programs")) {
      AllowKeys(*programs, {"raises"});
      program_raises_ = ReadError(Get(*programs, "raises"));
    }
    // These seams are this object, which adds an event for every call; the objects using them go first.
    const std::shared_ptr<Environment> seams(this, [](Environment*) {});
    platform.services->shell = seams;
    platform.services->programs = seams;
    platform.message_box = seams;
    for (const auto& [app, sections] : Object(At(scenario, "settings", kNoObject)).items()) {
      for (const auto& [section, keys] : Object(sections).items()) {
        for (const auto& [key, value] : Object(keys).items()) settings_->values[app][section][key] = String(value);
      }
    }
    platform.services->settings = settings_;
    platform.services->file_system = std::make_shared<platform::LocalFileSystem>();
    fs::create_directories(sandbox + "/tmp");
    // The system's temp folder: Linux reads TMPDIR, Windows TMP.
    for (const char* variable : {"TMPDIR", "TMP"}) testing::PutVariable(variable, sandbox + "/tmp");
    auto temp_folder = std::make_shared<CountingTempFolder>();
    if (const Json* config = Find(scenario, "temp_folder")) {
      AllowKeys(*config, {"fails"});
      temp_folder->fails = Boolean(Get(*config, "fails"));
    }
    platform.services->temp_folder = temp_folder;
    if (const Json& config = At(scenario, "context", kNoObject); !config.is_null()) context = ReadContext(config);
    platform.services->servers =
        through_com ? SystemPlatform().services->servers : std::make_shared<platform::AutomationServers>();
    for (const auto& [prog_id, config] : Object(At(scenario, "servers", kNoObject)).items())
      ReadServer(prog_id, config);
  }

  // Adds the event and makes the call; what it answers (unless null) is added as "answer", an error it
  // raises as "raised", and goes on.
  void Record(Json event, const std::function<Json()>& call) {
    events.push_back(std::move(event));
    const std::size_t position = events.size() - 1;
    try {
      if (Json answer = call(); !answer.is_null()) events[position]["answer"] = answer;
    } catch (const AutomationError& error) {
      events[position]["raised"] = ErrorJson(error);
      throw;
    }
  }

  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override {
    Record({{"shell", "ShellExecuteA"}, {"operation", operation}, {"file", file}},
           [&] { return Scripted(shell_raises_, shell_answer_); });
    return shell_answer_;
  }
  void StartProgram(const std::vector<std::string>& argv) override {
    Record({{"programs", "StartProgram"}, {"argv", argv}}, [&] { return Scripted(program_raises_, nullptr); });
  }
  void Show(const std::string& prompt, const std::string& title) override {
    Record({{"message_box", "Show"}, {"prompt", prompt}, {"title", title}}, [] { return Json(); });
  }

  Json Settings() const { return settings_->values; }
  Json Doubles() const {
    Json doubles = Json::object();
    for (const Server& server : servers_) {
      doubles[server.prog_id] = {{"double", server.kind}, {"created", server.created}};
      doubles[server.prog_id].update(server.object->Dump());
    }
    return doubles;
  }

  Platform platform;
  std::shared_ptr<ApplicationContext> context;  // what SetApplicationContext assigns; none for "context": null
  Json events = Json::array();

 private:
  struct Server {
    std::string prog_id;
    std::string kind;
    std::shared_ptr<testing::RecordedObject> object;
    int created = 0;
  };

  static Json Scripted(const std::optional<AutomationError>& raises, Json answer) {
    if (raises) throw *raises;
    return answer;
  }

  // "context": {"ApplicationName": "Host App", "msgbox_answers": [6, 7], "lacks": ["SessionLogAdd"],
  //             "raises": {"MsgBox": {"number": 5}}}; every call into it is an event.
  std::shared_ptr<ApplicationContext> ReadContext(const Json& config) {
    const std::vector<std::string> members = {"SessionLogAdd", "SessionLogAddVerbose", "AppErrorPreserve",
                                              "AppErrorLog",   "ApplicationName",      "MsgBox"};
    AllowKeys(config, {"ApplicationName", "msgbox_answers", "lacks", "raises"});
    std::set<std::string> lacks;
    for (const Json& member : Array(At(config, "lacks", kNoArray)))
      lacks.insert(Known(member, String(member), members, "member"));
    const auto record = [this](const std::string& member, const std::vector<Variant>& args,
                               const std::function<Variant()>& run) {
      Json typed = Json::array();
      for (const Variant& arg : args) typed.push_back(ToTyped(arg));
      const ErrorInfo& current = CurrentError();
      const Json current_error = current.number == 0
                                     ? Json()
                                     : ErrorJson(AutomationError(current.number, current.description, current.source));
      Variant answer;
      Record({{"context", member}, {"args", typed}, {"current_error", current_error}}, [&] {
        answer = run();
        return answer.Is<Variant::Empty>() ? Json() : ToTyped(answer);
      });
      return answer;
    };
    auto context = std::make_shared<testing::RecordingContext>(String(At(config, "ApplicationName", Json("Host App"))),
                                                               lacks, record);
    for (const Json& answer : Array(At(config, "msgbox_answers", kNoArray)))
      context->msgbox_answers.push_back(Long(answer));
    for (const auto& [member, error] : Object(At(config, "raises", kNoObject)).items()) {
      context->raises.emplace(Known(error, member, members, "member"), ReadError(error));
    }
    return context;
  }

  // {"double": KIND, "fail": {"Member": ERROR}, and any key of the double's state, preset with a value of its type}.
  void ReadServer(const std::string& prog_id, const Json& config) {
    const Json& kind = Get(config, "double");
    Server& server = servers_.emplace_back(
        Server{prog_id, String(kind), kDoubleKinds.at(Known(kind, String(kind), Names(kDoubleKinds), "double"))()});
    testing::RecordedObject& object = *server.object;
    std::vector<std::string> keys = {"double", "fail"};
    for (const auto& [key, value] : object.state.items()) keys.push_back(key);
    for (const auto& [key, value] : config.items()) {
      if (Known(value, key, keys, "key") == "fail") {
        for (const auto& [member, error] : Object(value).items()) {
          object.failures.insert_or_assign(Known(error, member, object.members, "member"), ReadError(error));
        }
      } else if (key != "double") {
        const Json& start = object.state[key];
        object.state[key] = start.is_boolean() ? Json(Boolean(value))
                            : start.is_number()
                                ? Json(Long(value))
                                : Expect(value, value.type() == start.type(), "a value like " + start.dump());
      }
    }
    const auto factory = [&server] {
      ++server.created;
      return std::dynamic_pointer_cast<AutomationObject>(server.object);
    };
    if (!through_com || !through_com(prog_id, server.kind, factory))
      platform.services->servers->Register(prog_id, factory);
  }

  std::intptr_t shell_answer_ = platform::shell_answer::kStarted;
  std::optional<AutomationError> shell_raises_, program_raises_;
  std::shared_ptr<SettingsInMemory> settings_ = std::make_shared<SettingsInMemory>();
  std::deque<Server> servers_;  // as the scenario lists them; a deque, so each stays where its factory finds it
};

// The steps: creating objects and calling their members.
using Objects = std::vector<std::pair<std::string, Instance>>;  // by name, in the order created

// What a parameter of each type takes (for a refusal) and which values fit it, in ParamType's order.
struct TypeRule {
  const char* takes;
  bool (*fits)(const Variant&);
};
constexpr TypeRule kTypeRules[] = {
    {"a text, {\"text\": ...}", [](const Variant& v) { return v.Is<std::string>(); }},
    {"a Long, {\"long\": ...}", [](const Variant& v) { return v.Is<std::int32_t>(); }},
    {"a Boolean, {\"bool\": ...}", [](const Variant& v) { return v.Is<bool>(); }},
    {"any typed value", [](const Variant&) { return true; }},
    {"an array of text, {\"texts\": [...]} or {\"undimensioned\": true}",
     [](const Variant& v) { return v.Is<StringArray>(); }},
    {"no value (the scenario's context) or {\"nothing\": true}",
     [](const Variant& v) { return v.Is<Variant::Object>() && !*v.GetIf<Variant::Object>(); }},
};

Instance* FindObject(Objects& objects, const std::string& name) {
  const auto found =
      std::find_if(objects.begin(), objects.end(), [&](const auto& object) { return object.first == name; });
  return found == objects.end() ? nullptr : &found->second;
}

void Step(const Json& step, Environment& environment, Objects& objects) {
  if (const Json* class_name = Find(step, "create")) {
    AllowKeys(step, {"create", "as"});
    const auto& create = Classes().at(Known(*class_name, String(*class_name), Names(Classes()), "class"));
    const Json& as = Get(step, "as");
    if (String(as).empty() || FindObject(objects, String(as))) Refuse(as, "an object's name is new and not empty");
    environment.events.push_back({{"create", *class_name}, {"as", as}});
    objects.emplace_back(String(as), create(environment.platform));
    return;
  }
  const Json& name = Get(step, "object");
  const Instance* object = FindObject(objects, String(name));
  if (object == nullptr) Refuse(name, "no object was created as \"" + String(name) + "\"");
  const bool assign = Find(step, "assign") != nullptr;
  const std::string verb = assign ? "assign" : "call", given_key = assign ? "value" : "args";
  AllowKeys(step, {"object", verb, given_key});
  const Json& member_name = Get(step, verb);
  std::vector<std::string> names;
  for (const auto& [known, member] : object->members) {
    if (member.assign == assign) names.push_back(known);
  }
  const Member& member = object->members.at(Known(member_name, String(member_name), names, verb));

  std::vector<const Json*> given = {Find(step, "value")};  // an assign's value, or a call's args
  if (!assign) given.clear();
  for (const Json& arg : Array(At(step, "args", kNoArray))) given.push_back(&arg);
  if (given.size() > member.params.size()) Refuse(Get(step, "args"), "too many arguments");
  given.resize(member.params.size());
  Arguments args;
  Json echo = Json::array();  // the arguments as the library receives them
  for (std::size_t i = 0; i < member.params.size(); ++i) {
    const Param& param = member.params[i];
    const bool context = param.type == ParamType::kContext;
    if (!given[i] && !param.when_left_out && !context)
      Refuse(step, String(member_name) + " needs its argument " + param.name);
    const Variant value = given[i] ? FromTyped(*given[i]) : Variant::Missing{};
    const bool left_out = value.Is<Variant::Missing>() && param.when_left_out;
    const TypeRule& rule = kTypeRules[static_cast<int>(param.type)];
    if (given[i] && !left_out && !rule.fits(value))
      Refuse(*given[i], "the parameter " + param.name + " takes " + rule.takes);
    if (context && !given[i]) args.context = environment.context;
    if (given[i])
      echo.push_back(ToTyped(value));
    else if (context)
      echo.push_back(args.context ? Json{{"object", "ApplicationContext"}} : Json{{"nothing", true}});
    args.values.push_back(left_out ? *param.when_left_out : value);
  }
  environment.events.push_back({{"object", name}, {verb, member_name}, {given_key, assign ? echo.at(0) : echo}});

  Json outcome;
  try {
    member.invoke(args);
    outcome["result"] = args.result ? ToTyped(*args.result) : Json();
    if (const auto& sent = args.send_outcome) {
      constexpr const char* kRoutes[] = {"none",        "Simple MAPI",         "Eudora",
                                         "Outlook CDO", "Outlook Application", "mailto:"};
      outcome["send_outcome"] = {{"route", kRoutes[static_cast<int>(sent->route)]},
                                 {"client", sent->client},
                                 {"fell_back", sent->fell_back},
                                 {"opened", sent->opened},
                                 {"not_opened_because", sent->not_opened_because},
                                 {"exit_status", sent->exit_status ? Json(*sent->exit_status) : Json()},
                                 {"not_handed_over", sent->not_handed_over}};
    }
  } catch (...) {
    outcome["raised"] = ErrorJson(CaughtAsAutomationError());
  }
  if (std::any_of(member.params.begin(), member.params.end(), [](const Param& p) { return p.in_out; })) {
    Json after = Json::array();
    for (std::size_t i = 0; i < args.values.size() && given[i]; ++i) after.push_back(ToTyped(args.values[i]));
    outcome["args_after"] = after;
  }
  environment.events.push_back(outcome);
}

// Each created object's log, by its name, as lines: joined with CR LF they give back the exact text,
// so a complete log ends with an empty line.
Json Logs(const Objects& objects) {
  Json logs = Json::object();
  for (const auto& [name, object] : objects) {
    if (!object.log) continue;
    const std::string text = object.log();
    Json& lines = logs[name] = Json::array();
    std::size_t start = 0;
    for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
      lines.push_back(text.substr(start, end - start));
    }
    lines.push_back(text.substr(start));
  }
  return logs;
}

// The parts of a transcript a scenario may name in "checks"; without it, all are printed.
const std::vector<std::string> kParts = {"files_written", "settings", "doubles"};

// Raises std::invalid_argument for a scenario it cannot run as written, naming the spot; whatever the
// library answers or raises goes into the transcript instead.
Json RunScenario(const Json& written) {
  Sandbox sandbox;
  const Json scenario = Sandbox::Replace(written, "${SANDBOX}", sandbox.path);
  try {
    AllowKeys(scenario, {"clock", "hives", "read_only", "broken", "windows_version", "files", "context", "servers",
                         "shell", "programs", "settings", "temp_folder", "calls", "checks", "system"});
    std::vector<std::string> checks;
    const Json all_parts = kParts;
    for (const Json& part : Array(At(scenario, "checks", all_parts)))
      checks.push_back(Known(part, String(part), kParts, "part"));
    WriteFiles(At(scenario, "files", kNoObject), sandbox);
    Environment environment(scenario, sandbox.path);
    Json transcript;
    {
      Objects objects;  // they go before the environment whose servers they may still use
      for (const Json& step : Array(At(scenario, "calls", kNoArray))) Step(step, environment, objects);
      transcript["events"] = environment.events;
      transcript["logs"] = Logs(objects);
    }
    for (const std::string& part : kParts) {
      if (std::find(checks.begin(), checks.end(), part) == checks.end()) continue;
      transcript[part] = part == "files_written" ? FilesWritten(sandbox)
                         : part == "settings"    ? environment.Settings()
                                                 : environment.Doubles();
    }
    return Sandbox::Replace(transcript, sandbox.path, "${SANDBOX}");
  } catch (const Refusal& refusal) {
    std::string path;
    FindPath(scenario, refusal.at, path);
    throw std::invalid_argument((path.empty() ? "the scenario" : path) + ": " + refusal.problem);
  }
}

// The transcript's text: indented by two spaces, with every small value (a typed value, an error,
// a short list) kept on one line, so that a golden reads line by line and a change shows as a
// small difference. A value nested no deeper than two levels whose one-line form ends within 100
// columns stays on one line. Text that is not UTF-8 is written with replacement characters.
std::string OneLine(const Json& value) {
  if (!value.is_structured()) return value.dump(-1, ' ', false, Json::error_handler_t::replace);
  std::string text;
  for (auto item = value.begin(); item != value.end(); ++item) {
    text += (text.empty() ? "" : ", ") + (value.is_object() ? OneLine(item.key()) + ": " : "") + OneLine(*item);
  }
  return value.is_object() ? "{" + text + "}" : "[" + text + "]";
}

int Depth(const Json& value) {
  int deepest = 0;
  for (const auto& item : value) deepest = std::max(deepest, item.is_structured() ? Depth(item) : 0);
  return deepest + 1;
}

std::string Print(const Json& value, std::size_t indent = 0, std::size_t column = 0) {
  const std::string line = OneLine(value);
  if (!value.is_structured() || value.empty() || (Depth(value) <= 2 && column + line.size() <= 100)) return line;
  const std::string inner(indent + 2, ' ');
  std::string text = value.is_object() ? "{\n" : "[\n";
  for (auto item = value.begin(); item != value.end(); ++item) {
    const std::string key = value.is_object() ? OneLine(item.key()) + ": " : "";
    text += (item != value.begin() ? ",\n" : "") + inner + key + Print(*item, indent + 2, inner.size() + key.size());
  }
  return text + "\n" + std::string(indent, ' ') + (value.is_object() ? "}" : "]");
}
}  // namespace
bool ServeThroughCom(const std::string& prog_id, const std::string& kind, platform::AutomationServers::Factory factory);
}  // namespace quorvel::scenario

int main(int argc, char** argv) {
  using namespace quorvel::scenario;
  std::vector<std::string> arguments = quorvel::platform::PrepareConsole(argc, argv);
#ifdef _WIN32
  if (arguments.size() == 3 && arguments[1] == "--through-com") {
    through_com = ServeThroughCom;
    arguments.erase(arguments.begin() + 1);
  }
#endif
  const bool help = arguments.size() == 2 && arguments[1] == "--help";
  if (arguments.size() != 2 || arguments[1].starts_with('-')) {
    (help ? std::cout : std::cerr)
        << "usage: quorvel-scenario [--through-com] FILE.json\n"
           "Runs the scenario against the library with test doubles and prints its transcript as JSON.\n"
           "On Windows, --through-com serves the CDO and Outlook doubles through the system's COM.\n"
           "Exit status: 0 the scenario ran, 2 a malformed scenario, 1 the runner failed. See docs/scenarios.md.\n";
    return help ? 0 : 2;
  }
  const std::string& file = arguments[1];
  const auto report = [&](const std::string& problem, int status) {
    std::cerr << "quorvel-scenario: " << file << ": " << problem << '\n';
    return status;
  };
  try {
    std::ifstream in(file, std::ios::binary);
    if (!in) return report("cannot be read", 2);
    std::cout << Print(RunScenario(Json::parse(in))) << '\n';
    return 0;
  } catch (const Json::parse_error& error) {
    return report(std::string("not valid JSON: ") + error.what(), 2);
  } catch (const std::invalid_argument& refusal) {
    return report(refusal.what(), 2);
  } catch (const std::exception& error) {
    return report(std::string("the runner failed: ") + error.what(), 1);
  }
}

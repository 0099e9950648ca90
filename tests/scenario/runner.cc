#include "tests/scenario/runner.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "tests/scenario/classes.h"
#include "tests/scenario/environment.h"
#include "tests/scenario/events.h"
#include "tests/scenario/typed_value.h"

namespace quorvel::scenario {

namespace {
namespace fs = std::filesystem;

// The scenario's own folder: a fresh temporary folder holding the scenario's "files", removed when
// the run ends. Its path is written "${SANDBOX}" in scenarios and transcripts, so both stay the same
// from one run to the next.
class Sandbox {
 public:
  Sandbox() {
    std::error_code error;
    const fs::path base = fs::temp_directory_path(error);
    const std::string pattern = ((error ? fs::path("/tmp") : base) / "quorvel-scenario-XXXXXX").string();
    path_ = pattern;
    if (::mkdtemp(path_.data()) == nullptr) throw std::runtime_error("cannot make a folder from " + pattern);
  }
  ~Sandbox() {
    std::error_code ignored;
    fs::remove_all(path_, ignored);
  }
  Sandbox(const Sandbox&) = delete;
  Sandbox& operator=(const Sandbox&) = delete;

  const std::string& path() const { return path_; }

  // "files": {"relative/path.txt": "contents"}; folders are made as needed.
  void Write(const Node& files) {
    for (const auto& [name, file] : files.Members()) {
      const fs::path relative = fs::path(name).lexically_normal();
      // Every file stays inside the folder, so removing the folder removes everything the run made.
      if (name.empty() || relative.is_absolute() || relative.empty() || *relative.begin() == ".." ||
          relative.filename().empty()) {
        file.Fail("a file's name is a relative path inside the sandbox");
      }
      const fs::path target = fs::path(path_) / relative;
      std::error_code error;
      fs::create_directories(target.parent_path(), error);
      std::ofstream out(target, std::ios::binary | std::ios::trunc);
      out << file.String();
      out.close();
      if (error || !out) file.Fail("cannot write " + target.string());
      written_[relative.generic_string()] = file.String();
    }
  }

  // The files now in the folder that the scenario did not write, or whose contents changed, by
  // relative path; sorted, so the transcript does not depend on the folder's order.
  Json Written() const {
    std::map<std::string, std::string> changed;
    std::error_code error;
    for (auto entry = fs::recursive_directory_iterator(path_, error); !error && entry != fs::end(entry);
         entry.increment(error)) {
      if (!entry->is_regular_file()) continue;
      const std::string relative = fs::relative(entry->path(), path_).generic_string();
      std::ifstream in(entry->path(), std::ios::binary);
      std::string contents{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
      const auto before = written_.find(relative);
      if (before == written_.end() || before->second != contents) changed[relative] = std::move(contents);
    }
    return Json(changed);
  }

  // Every "${SANDBOX}" inside a string value becomes the folder's path.
  void Expand(Json& value) const { Replace(value, kMarker, path_, false); }
  // Every occurrence of the folder's path, in string values and keys, becomes "${SANDBOX}".
  void Mask(Json& value) const { Replace(value, path_, kMarker, true); }

 private:
  static constexpr const char* kMarker = "${SANDBOX}";

  static std::string Replace(std::string text, const std::string& from, const std::string& to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
      text.replace(at, from.size(), to);
    }
    return text;
  }
  static void Replace(Json& value, const std::string& from, const std::string& to, bool keys) {
    if (value.is_string()) {
      value = Replace(value.get<std::string>(), from, to);
    } else if (value.is_array()) {
      for (auto& item : value) Replace(item, from, to, keys);
    } else if (value.is_object()) {
      Json changed = Json::object();
      for (auto& [key, item] : value.items()) {
        Replace(item, from, to, keys);
        changed[keys ? Replace(key, from, to) : key] = std::move(item);
      }
      value = std::move(changed);
    }
  }

  std::string path_;
  std::map<std::string, std::string> written_;  // what the scenario wrote, by relative path
};

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

class Run {
 public:
  Run(EventLog& events, Environment& environment) : events_(events), environment_(environment) {}

  void Step(const Node& step) {
    if (step.Find("create")) return Create(step);
    if (!step.Find("object")) step.Fail("a call has \"create\", or \"object\" with \"assign\" or \"call\"");
    const Node name = step.Get("object");
    const auto found = objects_.find(name.String());
    if (found == objects_.end()) name.Fail("no object was created as \"" + name.String() + "\"");
    const auto& [entry, instance] = found->second;

    const bool assign = step.Find("assign").has_value();
    if (assign == step.Find("call").has_value()) step.Fail("a call on an object has either \"assign\" or \"call\"");
    const char* const verb = assign ? "assign" : "call";
    const char* const given_key = assign ? "value" : "args";
    step.AllowKeys({"object", verb, given_key});
    const Node member_name = step.Get(verb);
    const std::string& member_text = member_name.String();
    const auto member_found = entry->members.find(member_text);
    if (member_found == entry->members.end()) {
      std::vector<std::string> known;
      for (const auto& [known_name, ignored] : entry->members) known.push_back(known_name);
      member_name.Fail(entry->name + " has no member \"" + member_text + "\" (its members: " + Join(known) + ")");
    }
    const Member& member = member_found->second;
    if (assign != member.assign) {
      member_name.Fail(member_text + (assign ? " is a method: use \"call\"" : " is a property: use \"assign\""));
    }

    std::vector<std::optional<Node>> given;
    if (assign) {
      given.push_back(step.Find("value"));
    } else if (const auto list = step.Find("args")) {
      for (const Node& arg : list->Items()) given.push_back(arg);
      if (given.size() > member.params.size()) {
        list->Fail(member_text + " takes " + std::to_string(member.params.size()) + " arguments, found " +
                   std::to_string(given.size()));
      }
    }
    given.resize(member.params.size());
    Arguments args;
    Json echo = Json::array();  // the arguments as the library receives them
    for (std::size_t i = 0; i < member.params.size(); ++i) {
      if (!Convert(member.params[i], given[i], args, echo))
        step.Fail(member_text + " needs its argument " + member.params[i].name);
    }
    events_.Add({{"object", name.String()}, {verb, member_text}, {given_key, assign ? echo.at(0) : echo}});

    Json outcome;
    try {
      const std::optional<Variant> result = member.invoke(instance.get(), args);
      outcome["result"] = result ? ToTyped(*result) : Json(nullptr);
    } catch (...) {
      outcome["raised"] = ErrorJson(CaughtAsAutomationError());
    }
    if (std::any_of(member.params.begin(), member.params.end(), [](const Param& p) { return p.by_ref; })) {
      Json after = Json::array();
      for (std::size_t i = 0; i < args.values.size() && given[i]; ++i) after.push_back(ToTyped(args.values[i]));
      outcome["args_after"] = std::move(after);
    }
    events_.Add(std::move(outcome));
  }

  // Each created object's log, by its name, as lines: joined with CR LF they give back the exact text,
  // so a complete log ends with an empty line.
  Json Logs() const {
    Json logs = Json::object();
    for (const auto& name : order_) {
      const auto& [entry, instance] = objects_.at(name);
      if (!entry->log) continue;
      const std::string text = entry->log(instance.get());
      Json& lines = logs[name] = Json::array();
      std::size_t start = 0;
      for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
      }
      lines.push_back(text.substr(start));
    }
    return logs;
  }

 private:
  // Adds the parameter's value to args, and to echo when the scenario gave it (or it is the context);
  // false for a left-out argument the parameter cannot do without.
  bool Convert(const Param& param, const std::optional<Node>& given, Arguments& args, Json& echo) {
    if (param.type == ParamType::kContext) {
      args.values.emplace_back();
      if (!given) {
        args.context = environment_.context();
        echo.push_back(args.context ? Json{{"object", "ApplicationContext"}} : Json{{"nothing", true}});
        return true;
      }
    } else if (!given) {
      if (param.when_left_out) args.values.push_back(*param.when_left_out);
      return param.when_left_out.has_value();
    }
    Variant value = FromTyped(*given);
    if (!(value.Is<Variant::Missing>() && param.when_left_out) &&
        !kTypeRules[static_cast<int>(param.type)].fits(value)) {
      given->Fail("the parameter " + param.name + " takes " + kTypeRules[static_cast<int>(param.type)].takes);
    }
    echo.push_back(ToTyped(value));
    if (param.type == ParamType::kContext) return true;
    args.values.push_back(value.Is<Variant::Missing>() && param.when_left_out ? *param.when_left_out : value);
    return true;
  }

  void Create(const Node& step) {
    step.AllowKeys({"create", "as"});
    const ClassEntry& entry = FindNamed(Classes(), step.Get("create"), "class");
    const Node as = step.Get("as");
    if (as.String().empty()) as.Fail("an object's name is not empty");
    if (objects_.count(as.String()) > 0) as.Fail("an object was already created as \"" + as.String() + "\"");
    events_.Add({{"create", entry.name}, {"as", as.String()}});
    objects_[as.String()] = {&entry, entry.create(environment_.platform())};
    order_.push_back(as.String());
  }

  EventLog& events_;
  Environment& environment_;
  std::map<std::string, std::pair<const ClassEntry*, std::shared_ptr<void>>> objects_;
  std::vector<std::string> order_;  // as created
};
}  // namespace

Json RunScenario(const Json& scenario) {
  Node(scenario, "")
      .AllowKeys({"clock", "hives", "read_only", "broken", "windows_version", "files", "context", "servers", "shell",
                  "programs", "settings", "temp_folder", "calls"});
  Sandbox sandbox;
  Json expanded = scenario;
  sandbox.Expand(expanded);
  const Node root(expanded, "");
  if (const auto files = root.Find("files")) sandbox.Write(*files);

  EventLog events;
  Environment environment(root, events, sandbox.path());
  Json transcript;
  {
    // The objects go before the environment whose servers they may still use.
    Run run(events, environment);
    if (const auto calls = root.Find("calls")) {
      for (const Node& step : calls->Items()) run.Step(step);
    }
    transcript["events"] = events.ToJson();
    transcript["logs"] = run.Logs();
  }
  transcript["files_written"] = sandbox.Written();
  transcript["settings"] = environment.Settings();
  transcript["doubles"] = environment.Doubles();
  sandbox.Mask(transcript);
  return transcript;
}

}  // namespace quorvel::scenario

#include "tests/scenario/runner.h"

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "tests/scenario/classes.h"
#include "tests/scenario/environment.h"
#include "tests/scenario/events.h"
#include "tests/scenario/sandbox.h"
#include "tests/scenario/typed_value.h"

namespace quorvel::scenario {

namespace {
struct Object {
  const ClassEntry* entry;
  std::shared_ptr<void> instance;
};

const char* TypeDescription(ParamType type) {
  switch (type) {
    case ParamType::kText: return "a text, {\"text\": ...}";
    case ParamType::kLong: return "a Long, {\"long\": ...}";
    case ParamType::kBoolean: return "a Boolean, {\"bool\": ...}";
    case ParamType::kVariant: return "any typed value";
    case ParamType::kTextArray: return "an array of text, {\"texts\": [...]} or {\"undimensioned\": true}";
    case ParamType::kContext: return "no value (the scenario's context) or {\"nothing\": true}";
  }
  return "";
}

bool Fits(ParamType type, const Variant& value) {
  switch (type) {
    case ParamType::kText: return value.Is<std::string>();
    case ParamType::kLong: return value.Is<std::int32_t>();
    case ParamType::kBoolean: return value.Is<bool>();
    case ParamType::kVariant: return true;
    case ParamType::kTextArray: return value.Is<StringArray>();
    case ParamType::kContext: return false;
  }
  return false;
}

class Run {
 public:
  Run(const Node& root, EventLog& events, Environment& environment)
      : root_(root), events_(events), environment_(environment) {}

  void Calls() {
    const auto calls = root_.Find("calls");
    if (!calls) return;
    for (std::size_t i = 0; i < calls->Array().size(); ++i) Step(calls->At(i));
  }

  // Each created object's log, by its name, as lines: joined with CR LF they give back the exact text,
  // so a complete log ends with an empty line.
  Json Logs() const {
    Json logs = Json::object();
    for (const auto& name : order_) {
      const Object& object = objects_.at(name);
      if (!object.entry->log) continue;
      const std::string text = object.entry->log(object.instance.get());
      Json lines = Json::array();
      std::size_t start = 0;
      for (std::size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
        lines.push_back(text.substr(start, end - start));
      }
      lines.push_back(text.substr(start));
      logs[name] = std::move(lines);
    }
    return logs;
  }

 private:
  void Step(const Node& step) {
    step.Object();
    if (step.Find("create")) return Create(step);
    if (!step.Find("object")) step.Fail("a call has \"create\", or \"object\" with \"assign\" or \"call\"");
    const Node name = step.Get("object");
    const auto found = objects_.find(name.String());
    if (found == objects_.end()) name.Fail("no object was created as \"" + name.String() + "\"");
    const Object& object = found->second;

    const bool assign = step.Find("assign").has_value();
    if (assign == step.Find("call").has_value()) step.Fail("a call on an object has either \"assign\" or \"call\"");
    if (assign) {
      step.AllowKeys({"object", "assign", "value"});
    } else {
      step.AllowKeys({"object", "call", "args"});
    }
    const Node member_name = step.Get(assign ? "assign" : "call");
    const auto member_found = object.entry->members.find(member_name.String());
    if (member_found == object.entry->members.end()) {
      std::string known;
      for (const auto& [known_name, ignored] : object.entry->members) known += (known.empty() ? "" : ", ") + known_name;
      member_name.Fail(object.entry->name + " has no member \"" + member_name.String() + "\" (its members: " + known +
                       ")");
    }
    const Member& member = member_found->second;
    if (assign != (member.kind == Member::Kind::kAssign)) {
      member_name.Fail(member_name.String() +
                       (assign ? " is a method: use \"call\"" : " is a property: use \"assign\""));
    }

    Arguments args;
    Json echo = Json::array();
    std::vector<std::optional<Node>> given;
    if (assign) {
      given.push_back(step.Find("value"));
    } else if (const auto list = step.Find("args")) {
      for (std::size_t i = 0; i < list->Array().size(); ++i) given.push_back(list->At(i));
      if (given.size() > member.params.size()) {
        list->Fail(member_name.String() + " takes " + std::to_string(member.params.size()) + " arguments, found " +
                   std::to_string(given.size()));
      }
    }
    given.resize(member.params.size());
    for (std::size_t i = 0; i < member.params.size(); ++i) {
      const Node at = given[i] ? *given[i] : step;
      Convert(member.params[i], given[i], at, member_name.String(), args, echo);
    }

    Json call = {{"object", name.String()}};
    call[assign ? "assign" : "call"] = member_name.String();
    if (assign) {
      call["value"] = echo.at(0);
    } else {
      call["args"] = echo;
    }
    events_.Add(std::move(call));

    Json outcome;
    try {
      const std::optional<Variant> result = member.invoke(object.instance.get(), args);
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

  void Convert(const Param& param, const std::optional<Node>& given, const Node& at, const std::string& member,
               Arguments& args, Json& echo) {
    if (param.type == ParamType::kContext) {
      args.values.emplace_back();
      if (given) {
        const Variant value = FromTyped(*given);
        if (!value.Is<Variant::Object>() || *value.GetIf<Variant::Object>()) {
          given->Fail(std::string("the parameter ") + param.name + " takes " + TypeDescription(param.type));
        }
        echo.push_back(ToTyped(value));
        return;
      }
      args.context = environment_.context();
      echo.push_back(args.context ? Json{{"object", "ApplicationContext"}} : Json{{"nothing", true}});
      return;
    }
    if (!given) {
      if (!param.when_left_out) at.Fail(member + " needs its argument " + param.name);
      args.values.push_back(*param.when_left_out);
      return;
    }
    Variant value = FromTyped(*given);
    echo.push_back(ToTyped(value));
    if (value.Is<Variant::Missing>() && param.when_left_out) {
      value = *param.when_left_out;
    } else if (!Fits(param.type, value)) {
      given->Fail(std::string("the parameter ") + param.name + " takes " + TypeDescription(param.type));
    }
    args.values.push_back(std::move(value));
  }

  void Create(const Node& step) {
    step.AllowKeys({"create", "as"});
    const Node class_name = step.Get("create");
    const ClassEntry* entry = FindClass(class_name.String());
    if (!entry) {
      std::string known;
      for (const auto& candidate : Classes()) known += (known.empty() ? "" : ", ") + candidate.name;
      class_name.Fail("unknown class \"" + class_name.String() + "\" (known: " + known + ")");
    }
    const Node as = step.Get("as");
    if (as.String().empty()) as.Fail("an object's name is not empty");
    if (objects_.count(as.String()) > 0) as.Fail("an object was already created as \"" + as.String() + "\"");
    events_.Add({{"create", entry->name}, {"as", as.String()}});
    objects_[as.String()] = {entry, entry->create(environment_.platform())};
    order_.push_back(as.String());
  }

  const Node& root_;
  EventLog& events_;
  Environment& environment_;
  std::map<std::string, Object> objects_;
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
    Run run(root, events, environment);
    run.Calls();
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

// quorvel-scenario FILE.json: runs a scenario against the library with the platform and automation
// doubles and prints its transcript. Exit status: 0 when the scenario ran (whatever the library
// answered), 2 for a malformed scenario or a usage error, 1 when the runner itself failed.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

#include "tests/scenario/classes.h"
#include "tests/scenario/environment.h"

namespace quorvel::scenario {
namespace {

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

// The parts of a transcript a scenario may name in "checks"; without it, all are printed.
constexpr std::array<const char*, 3> kParts = {"files_written", "settings", "doubles"};

class Run {
 public:
  explicit Run(Environment& environment) : environment_(environment) {}

  void Step(const Node& step) {
    if (const auto class_name = step.Find("create")) {
      step.AllowKeys({"create", "as"});
      std::vector<std::string> names;
      for (const auto& [name, entry] : Classes()) names.push_back(name);
      const ClassEntry& entry = Classes().at(class_name->Known(class_name->String(), names, "class"));
      const Node as = step.Get("as");
      if (as.String().empty() || objects_.count(as.String()) > 0) as.Fail("an object's name is new and not empty");
      environment_.events.push_back({{"create", class_name->String()}, {"as", as.String()}});
      objects_[as.String()] = {&entry, entry.create(environment_.platform())};
      order_.push_back(as.String());
      return;
    }
    const Node name = step.Get("object");
    if (objects_.count(name.String()) == 0) name.Fail("no object was created as \"" + name.String() + "\"");
    const auto& [entry, instance] = objects_.at(name.String());
    const bool assign = step.Find("assign").has_value();
    const char* const verb = assign ? "assign" : "call";
    const char* const given_key = assign ? "value" : "args";
    step.AllowKeys({"object", verb, given_key});
    const Node member_name = step.Get(verb);
    std::vector<std::string> names;
    for (const auto& [known, member] : entry->members) {
      if (member.assign == assign) names.push_back(known);
    }
    const Member& member = entry->members.at(member_name.Known(member_name.String(), names, verb));

    std::vector<std::optional<Node>> given;
    if (assign) given.push_back(step.Find("value"));
    if (const auto list = step.Find("args")) {
      for (const Node& arg : list->Items()) given.push_back(arg);
      if (given.size() > member.params.size()) list->Fail("too many arguments");
    }
    given.resize(member.params.size());
    Arguments args;
    Json echo = Json::array();  // the arguments as the library receives them
    for (std::size_t i = 0; i < member.params.size(); ++i) {
      if (!Convert(member.params[i], given[i], args, echo))
        step.Fail(member_name.String() + " needs its argument " + member.params[i].name);
    }
    environment_.events.push_back(
        {{"object", name.String()}, {verb, member_name.String()}, {given_key, assign ? echo.at(0) : echo}});

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
    environment_.events.push_back(std::move(outcome));
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
    const bool context = param.type == ParamType::kContext;
    if (!given && context) {
      args.context = environment_.context();
      echo.push_back(args.context ? Json{{"object", "ApplicationContext"}} : Json{{"nothing", true}});
    }
    if (!given) {
      if (param.when_left_out || context) args.values.push_back(param.when_left_out.value_or(Variant()));
      return param.when_left_out || context;
    }
    const Variant value = FromTyped(*given);
    const bool left_out = value.Is<Variant::Missing>() && param.when_left_out;
    const TypeRule& rule = kTypeRules[static_cast<int>(param.type)];
    if (!left_out && !rule.fits(value)) given->Fail("the parameter " + param.name + " takes " + rule.takes);
    echo.push_back(ToTyped(value));
    args.values.push_back(left_out ? *param.when_left_out : value);
    return true;
  }

  Environment& environment_;
  std::map<std::string, std::pair<const ClassEntry*, std::shared_ptr<void>>> objects_;
  std::vector<std::string> order_;  // as created
};

// Raises ScenarioError for a scenario it cannot run as written; whatever the library answers or
// raises goes into the transcript instead.
Json RunScenario(const Json& scenario) {
  Node(scenario, "")
      .AllowKeys({"clock", "hives", "read_only", "broken", "windows_version", "files", "context", "servers", "shell",
                  "programs", "settings", "temp_folder", "calls", "checks"});
  Sandbox sandbox;
  const Json expanded = sandbox.Expand(scenario);
  const Node root(expanded, "");
  std::vector<std::string> checks(kParts.begin(), kParts.end());
  if (const auto named = root.Find("checks")) {
    checks.clear();
    for (const Node& part : named->Items()) checks.push_back(part.Known(part.String(), kParts, "part"));
  }
  if (const auto files = root.Find("files")) sandbox.Write(*files);

  Environment environment(root, sandbox);
  Json transcript;
  {
    // The objects go before the environment whose servers they may still use.
    Run run(environment);
    if (const auto calls = root.Find("calls")) {
      for (const Node& step : calls->Items()) run.Step(step);
    }
    transcript["events"] = environment.events;
    transcript["logs"] = run.Logs();
  }
  const auto checked = [&](const char* part) { return std::find(checks.begin(), checks.end(), part) != checks.end(); };
  if (checked("files_written")) transcript["files_written"] = sandbox.Written();
  if (checked("settings")) transcript["settings"] = environment.Settings();
  if (checked("doubles")) transcript["doubles"] = environment.Doubles();
  return sandbox.Mask(transcript);
}

// The transcript's text: indented by two spaces, with every small value (a typed value, an error,
// a short list) kept on one line, so that a golden reads line by line and a change shows as a
// small difference. A value nested no deeper than two levels whose one-line form ends within 100
// columns stays on one line. Text that is not UTF-8 is written with replacement characters.
std::string Scalar(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

int Depth(const Json& value) {
  int deepest = 0;
  for (const auto& item : value) deepest = std::max(deepest, item.is_structured() ? Depth(item) : 0);
  return deepest + 1;
}

std::string OneLine(const Json& value) {
  if (!value.is_structured()) return Scalar(value);
  std::string text;
  for (auto item = value.begin(); item != value.end(); ++item) {
    text += (text.empty() ? "" : ", ") + (value.is_object() ? Scalar(item.key()) + ": " : "") + OneLine(*item);
  }
  return value.is_object() ? "{" + text + "}" : "[" + text + "]";
}

void Print(const Json& value, std::size_t indent, std::size_t column, std::string& out) {
  const std::string line = OneLine(value);
  if (!value.is_structured() || value.empty() || (Depth(value) <= 2 && column + line.size() <= 100)) {
    out += line;
    return;
  }
  const std::string inner(indent + 2, ' ');
  out += value.is_object() ? "{\n" : "[\n";
  for (auto item = value.begin(); item != value.end(); ++item) {
    const std::string key = value.is_object() ? Scalar(item.key()) + ": " : "";
    out += (item != value.begin() ? ",\n" : "") + inner + key;
    Print(*item, indent + 2, inner.size() + key.size(), out);
  }
  out += "\n" + std::string(indent, ' ') + (value.is_object() ? "}" : "]");
}

constexpr int kRan = 0;
constexpr int kRunnerFailed = 1;
constexpr int kMalformed = 2;
}  // namespace
}  // namespace quorvel::scenario

int main(int argc, char** argv) {
  using namespace quorvel::scenario;
  if (argc != 2 || argv[1][0] == '-') {
    (argc == 2 && std::strcmp(argv[1], "--help") == 0 ? std::cout : std::cerr)
        << "usage: quorvel-scenario FILE.json\n"
           "Runs the scenario against the library with test doubles and prints its transcript as JSON.\n"
           "Exit status: 0 the scenario ran, 2 a malformed scenario, 1 the runner failed. See docs/scenarios.md.\n";
    return argc == 2 && std::strcmp(argv[1], "--help") == 0 ? kRan : kMalformed;
  }
  const std::string file = argv[1];
  try {
    std::ifstream in(file, std::ios::binary);
    if (!in) throw ScenarioError("cannot be read");
    const Json scenario = Json::parse(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    std::string text;
    Print(RunScenario(scenario), 0, 0, text);
    std::cout << text << '\n';
    return kRan;
  } catch (const Json::parse_error& error) {
    std::cerr << "quorvel-scenario: " << file << ": not valid JSON: " << error.what() << '\n';
    return kMalformed;
  } catch (const ScenarioError& error) {
    std::cerr << "quorvel-scenario: " << file << ": " << error.what() << '\n';
    return kMalformed;
  } catch (const std::exception& error) {
    std::cerr << "quorvel-scenario: " << file << ": the runner failed: " << error.what() << '\n';
    return kRunnerFailed;
  }
}

#include "tests/scenario/scenario_context.h"

#include <array>
#include <string_view>

#include "tests/scenario/typed_value.h"

namespace quorvel::scenario {

namespace {
constexpr std::array<std::string_view, 6> kMembers = {"SessionLogAdd", "SessionLogAddVerbose", "AppErrorPreserve",
                                                      "AppErrorLog",   "ApplicationName",      "MsgBox"};

const Node& KnownMember(const Node& node, const std::string& name) {
  if (std::find(kMembers.begin(), kMembers.end(), name) == kMembers.end()) {
    node.Fail("\"" + name + "\" is not a member of the application context");
  }
  return node;
}

// When no message box answer is scripted, the user presses OK.
constexpr std::int32_t kOk = 1;
}  // namespace

ScenarioContext::ScenarioContext(const Node& config, EventLog& events) : events_(events) {
  config.AllowKeys({"ApplicationName", "msgbox_answers", "lacks", "raises"});
  if (const auto name = config.Find("ApplicationName")) application_name_ = name->String();
  if (const auto answers = config.Find("msgbox_answers")) {
    for (std::size_t i = 0; i < answers->Array().size(); ++i) msgbox_answers_.push_back(answers->At(i).Int32());
  }
  if (const auto lacks = config.Find("lacks")) {
    for (std::size_t i = 0; i < lacks->Array().size(); ++i) {
      const Node member = lacks->At(i);
      lacks_.insert(KnownMember(member, member.String()).String());
    }
  }
  if (const auto raises = config.Find("raises")) {
    for (const auto& [member, error] : raises->Object()) {
      const Node node(error, raises->KeyPath(member));
      raises_.emplace(member, KnownMember(node, member).Error());
    }
  }
}

template <class Lacking>
std::size_t ScenarioContext::Enter(const char* member, Json args, Lacking&& lacking) {
  const std::size_t event =
      events_.Add({{"context", member}, {"args", std::move(args)}, {"current_error", CurrentErrorJson()}});
  try {
    if (lacks_.count(member) > 0) lacking();
    if (const auto raised = raises_.find(member); raised != raises_.end()) throw raised->second;
  } catch (const AutomationError& error) {
    events_[event]["raised"] = ErrorJson(error);
    throw;
  }
  return event;
}

void ScenarioContext::SessionLogAdd(const std::string& line) {
  Enter("SessionLogAdd", Json::array({ToTyped(line)}), [&] { ApplicationContext::SessionLogAdd(line); });
}

void ScenarioContext::SessionLogAddVerbose(const std::string& line) {
  Enter("SessionLogAddVerbose", Json::array({ToTyped(line)}), [&] { ApplicationContext::SessionLogAddVerbose(line); });
}

void ScenarioContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  Enter("AppErrorPreserve", Json::array({ToTyped(procedure), ToTyped(step)}),
        [&] { ApplicationContext::AppErrorPreserve(procedure, step); });
}

void ScenarioContext::AppErrorLog(bool first, bool second) {
  Enter("AppErrorLog", Json::array({ToTyped(first), ToTyped(second)}),
        [&] { ApplicationContext::AppErrorLog(first, second); });
}

std::string ScenarioContext::ApplicationName() {
  const std::size_t event = Enter("ApplicationName", Json::array(), [&] { ApplicationContext::ApplicationName(); });
  events_[event]["answer"] = ToTyped(application_name_);
  return application_name_;
}

std::int32_t ScenarioContext::MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) {
  const std::size_t event = Enter("MsgBox", Json::array({ToTyped(prompt), ToTyped(buttons), ToTyped(title)}),
                                  [&] { ApplicationContext::MsgBox(prompt, buttons, title); });
  std::int32_t answer = kOk;
  if (!msgbox_answers_.empty()) {
    answer = msgbox_answers_.front();
    msgbox_answers_.pop_front();
  }
  events_[event]["answer"] = ToTyped(answer);
  return answer;
}

}  // namespace quorvel::scenario

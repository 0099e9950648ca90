// The application context a scenario hands the library: it answers as the scenario says and adds
// an event for every call into it, with the thread's current error at that moment.
#pragma once

#include <deque>
#include <map>
#include <set>
#include <string>

#include "quorvel/application_context.h"
#include "tests/scenario/events.h"

namespace quorvel::scenario {

class ScenarioContext : public ApplicationContext {
 public:
  // "context": {"ApplicationName": "Host App", "msgbox_answers": [6, 7], "lacks": ["SessionLogAdd"],
  //             "raises": {"MsgBox": {"number": 5}}}
  ScenarioContext(const Node& config, EventLog& events);

  void SessionLogAdd(const std::string& line) override;
  void SessionLogAddVerbose(const std::string& line) override;
  void AppErrorPreserve(const std::string& procedure, std::string& step) override;
  void AppErrorLog(bool first, bool second) override;
  std::string ApplicationName() override;
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override;

 private:
  // Adds the event, then raises when the scenario says the member is lacking (as the library's base
  // context does) or raises; answers the event's position.
  template <class Lacking>
  std::size_t Enter(const char* member, Json args, Lacking&& lacking);

  EventLog& events_;
  std::string application_name_ = "Host App";
  std::deque<std::int32_t> msgbox_answers_;
  std::set<std::string> lacks_;
  std::map<std::string, AutomationError> raises_;
};

}  // namespace quorvel::scenario

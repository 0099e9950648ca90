// An application context as a scenario scripts it: it lacks the members named (raising 438, as the
// library's own context does), raises the errors given, answers MsgBox from a list (OK, 1, once the
// list is used up), and passes every call with its arguments through `around`, which records it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "quorvel/application_context.h"
#include "quorvel/error.h"
#include "quorvel/variant.h"

namespace quorvel::testing {

class RecordingContext : public ApplicationContext {
 public:
  // `run` answers the call (Empty for none) or raises.
  using Around = std::function<Variant(const std::string& member, const std::vector<Variant>& args,
                                       const std::function<Variant()>& run)>;

  RecordingContext(std::string applicationName, std::set<std::string> lacking, Around around)
      : application_name_(std::move(applicationName)), lacking_(std::move(lacking)), around_(std::move(around)) {}

  void SessionLogAdd(const std::string& line) override { Answer("SessionLogAdd", {line}); }
  void SessionLogAddVerbose(const std::string& line) override { Answer("SessionLogAddVerbose", {line}); }
  void AppErrorPreserve(const std::string& procedure, std::string& step) override {
    Answer("AppErrorPreserve", {procedure, step});
  }
  void AppErrorLog(bool first, bool second) override { Answer("AppErrorLog", {Variant(first), Variant(second)}); }
  std::string ApplicationName() override { return *Answer("ApplicationName", {}).GetIf<std::string>(); }
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override {
    return *Answer("MsgBox", {prompt, buttons, title}).GetIf<std::int32_t>();
  }

  std::deque<std::int32_t> msgbox_answers;
  std::map<std::string, AutomationError> raises;  // the member raises the error every time

 private:
  Variant Answer(const std::string& member, const std::vector<Variant>& args) {
    return around_(member, args, [&]() -> Variant {
      if (lacking_.count(member) > 0) throw RuntimeError(error_number::kMemberNotSupported);
      if (const auto raised = raises.find(member); raised != raises.end()) throw raised->second;
      if (member == "ApplicationName") return application_name_;
      if (member != "MsgBox") return Variant();
      const std::int32_t answer = msgbox_answers.empty() ? 1 : msgbox_answers.front();
      if (!msgbox_answers.empty()) msgbox_answers.pop_front();
      return answer;
    });
  }

  std::string application_name_;
  std::set<std::string> lacking_;
  Around around_;
};

}  // namespace quorvel::testing

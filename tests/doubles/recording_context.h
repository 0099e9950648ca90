// An application context that records every call the library makes on it, with the thread's
// current error at that moment, lacks whichever members a test names and raises as scripted.
#pragma once

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
  explicit RecordingContext(std::string applicationName = "Host App", std::set<std::string> lacking = {})
      : application_name_(std::move(applicationName)), lacking_(std::move(lacking)) {}

  void SessionLogAdd(const std::string& line) override;
  void SessionLogAddVerbose(const std::string& line) override { Answer("SessionLogAddVerbose", {line}); }
  void AppErrorPreserve(const std::string& procedure, std::string& step) override;
  void AppErrorLog(bool first, bool second) override { Answer("AppErrorLog", {first, second}); }
  std::string ApplicationName() override { return *Answer("ApplicationName", {}).GetIf<std::string>(); }
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override;

  // One entry per call but ApplicationName: "SessionLogAdd <line>", "AppErrorPreserve <tag> <step> [<current
  // error>]", "AppErrorLog -1 -1 [<current error>]", where the current error reads "number|description|source".
  std::vector<std::string> calls;
  // The lines given to SessionLogAdd alone.
  std::vector<std::string> lines;
  std::vector<std::int32_t> msgbox_answers;       // answered in order; OK (1) when none is left
  std::map<std::string, AutomationError> raises;  // the member raises the error every time
  // When set, every call, lacking or not, runs inside it: `run` answers the call (Empty for none) or raises.
  std::function<Variant(const std::string& member, const std::vector<Variant>& args,
                        const std::function<Variant()>& run)>
      around;

 private:
  Variant Answer(const std::string& member, const std::vector<Variant>& args);

  std::string application_name_;
  std::set<std::string> lacking_;
};

}  // namespace quorvel::testing

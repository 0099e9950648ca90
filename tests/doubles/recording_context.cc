#include "tests/doubles/recording_context.h"

#include "quorvel/error.h"

namespace quorvel::testing {

std::string CurrentErrorText() {
  const ErrorInfo& error = CurrentError();
  return std::to_string(error.number) + "|" + error.description + "|" + error.source;
}

void RecordingContext::SessionLogAdd(const std::string& line) {
  if (Lacks("SessionLogAdd")) ApplicationContext::SessionLogAdd(line);
  calls.push_back("SessionLogAdd " + line);
  lines.push_back(line);
}

void RecordingContext::SessionLogAddVerbose(const std::string& line) {
  if (Lacks("SessionLogAddVerbose")) ApplicationContext::SessionLogAddVerbose(line);
  calls.push_back("SessionLogAddVerbose " + line);
}

void RecordingContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  if (Lacks("AppErrorPreserve")) ApplicationContext::AppErrorPreserve(procedure, step);
  calls.push_back("AppErrorPreserve " + procedure + " " + step + " [" + CurrentErrorText() + "]");
}

void RecordingContext::AppErrorLog(bool first, bool second) {
  if (Lacks("AppErrorLog")) ApplicationContext::AppErrorLog(first, second);
  calls.push_back(std::string("AppErrorLog ") + (first ? "-1" : "0") + " " + (second ? "-1" : "0") + " [" +
                  CurrentErrorText() + "]");
}

std::string RecordingContext::ApplicationName() {
  if (Lacks("ApplicationName")) return ApplicationContext::ApplicationName();
  return application_name_;
}

std::int32_t RecordingContext::MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) {
  if (Lacks("MsgBox")) return ApplicationContext::MsgBox(prompt, buttons, title);
  calls.push_back("MsgBox " + prompt + " " + std::to_string(buttons) + " " + title);
  if (msgbox_answers.empty()) return 1;
  const std::int32_t answer = msgbox_answers.front();
  msgbox_answers.erase(msgbox_answers.begin());
  return answer;
}

}  // namespace quorvel::testing

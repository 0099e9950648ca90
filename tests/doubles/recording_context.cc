#include "tests/doubles/recording_context.h"

namespace quorvel::testing {

namespace {
// An argument as a call entry shows it; a Boolean as the runtime holds it, -1 or 0.
std::string Text(const Variant& value) {
  if (const auto* flag = value.GetIf<bool>()) return *flag ? "-1" : "0";
  if (const auto* number = value.GetIf<std::int32_t>()) return std::to_string(*number);
  return *value.GetIf<std::string>();
}
}  // namespace

std::string CurrentErrorText() {
  const ErrorInfo& error = CurrentError();
  return std::to_string(error.number) + "|" + error.description + "|" + error.source;
}

// A lacking member raises as the library's own context does; the error members show the current error.
Variant RecordingContext::Answer(const std::string& member, const std::vector<Variant>& args,
                                 const std::function<void()>& lacking, const std::function<Variant()>& answer) {
  const auto run = [&] {
    if (lacking_.count(member) > 0) lacking();
    if (const auto raised = raises.find(member); raised != raises.end()) throw raised->second;
    std::string entry = member;
    for (const Variant& arg : args) entry += " " + Text(arg);
    if (member.starts_with("AppError")) entry += " [" + CurrentErrorText() + "]";
    if (member != "ApplicationName") calls.push_back(entry);
    return answer();
  };
  return around ? around(member, args, run) : run();
}

void RecordingContext::SessionLogAdd(const std::string& line) {
  Answer("SessionLogAdd", {line}, [&] { ApplicationContext::SessionLogAdd(line); });
  lines.push_back(line);
}

void RecordingContext::SessionLogAddVerbose(const std::string& line) {
  Answer("SessionLogAddVerbose", {line}, [&] { ApplicationContext::SessionLogAddVerbose(line); });
}

void RecordingContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  Answer("AppErrorPreserve", {procedure, step}, [&] { ApplicationContext::AppErrorPreserve(procedure, step); });
}

void RecordingContext::AppErrorLog(bool first, bool second) {
  Answer("AppErrorLog", {first, second}, [&] { ApplicationContext::AppErrorLog(first, second); });
}

std::string RecordingContext::ApplicationName() {
  return *Answer(
              "ApplicationName", {}, [&] { ApplicationContext::ApplicationName(); },
              [&] { return Variant(application_name_); })
              .GetIf<std::string>();
}

std::int32_t RecordingContext::MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) {
  return *Answer(
              "MsgBox", {prompt, buttons, title}, [&] { ApplicationContext::MsgBox(prompt, buttons, title); },
              [&] {
                if (msgbox_answers.empty()) return Variant(std::int32_t{1});
                const std::int32_t answer = msgbox_answers.front();
                msgbox_answers.erase(msgbox_answers.begin());
                return Variant(answer);
              })
              .GetIf<std::int32_t>();
}

}  // namespace quorvel::testing

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

// A lacking member raises 438, as the library's own context does; the error members show the current error.
Variant RecordingContext::Answer(const std::string& member, const std::vector<Variant>& args) {
  const auto run = [&]() -> Variant {
    if (lacking_.count(member) > 0) throw RuntimeError(error_number::kMemberNotSupported);
    if (const auto raised = raises.find(member); raised != raises.end()) throw raised->second;
    if (member == "ApplicationName") return application_name_;
    std::string entry = member;
    for (const Variant& arg : args) entry += " " + Text(arg);
    const ErrorInfo& error = CurrentError();
    if (member.starts_with("AppError"))
      entry += " [" + std::to_string(error.number) + "|" + error.description + "|" + error.source + "]";
    calls.push_back(entry);
    if (member != "MsgBox") return Variant();
    const std::int32_t answer = msgbox_answers.empty() ? 1 : msgbox_answers.front();
    if (!msgbox_answers.empty()) msgbox_answers.erase(msgbox_answers.begin());
    return answer;
  };
  return around ? around(member, args, run) : run();
}

void RecordingContext::SessionLogAdd(const std::string& line) {
  Answer("SessionLogAdd", {line});
  lines.push_back(line);
}

void RecordingContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  Answer("AppErrorPreserve", {procedure, step});
}

std::int32_t RecordingContext::MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) {
  return *Answer("MsgBox", {prompt, buttons, title}).GetIf<std::int32_t>();
}

}  // namespace quorvel::testing

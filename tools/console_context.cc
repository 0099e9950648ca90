#include "tools/console_context.h"

#include <iostream>

#include "platform/console.h"
#include "quorvel/error.h"

namespace quorvel::tools {

namespace {
// Buttons and answers as the library passes them to MsgBox.
constexpr std::int32_t kYesNoButtons = 4;
constexpr std::int32_t kAnswerOk = 1;
constexpr std::int32_t kAnswerYes = 6;
constexpr std::int32_t kAnswerNo = 7;

// The library writes its prompts with CR LF line ends; a terminal and a log file want LF.
std::string WithLineFeeds(std::string text) {
  for (auto at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at)) text.erase(at, 1);
  return text;
}
}  // namespace

ConsoleContext::ConsoleContext(ConsoleSettings settings, std::ostream& terminal)
    : settings_(std::move(settings)), terminal_(terminal) {
  if (settings_.log_file.empty()) return;
  log_file_.open(settings_.log_file, std::ios::app | std::ios::binary);
  if (!log_file_) {
    throw RuntimeError(error_number::kPathFileAccessError, "cannot open the log file " + settings_.log_file);
  }
}

void ConsoleContext::WriteToLog(const std::string& line) {
  if (log_file_.is_open()) log_file_ << line << '\n' << std::flush;
}

void ConsoleContext::Tell(const std::string& text) {
  terminal_ << text << '\n' << std::flush;
  WriteToLog(text);
}

void ConsoleContext::SessionLogAdd(const std::string& line) {
  if (settings_.verbose) terminal_ << line << '\n' << std::flush;
  WriteToLog(line);
}

void ConsoleContext::SessionLogAddVerbose(const std::string& line) { SessionLogAdd(line); }

void ConsoleContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  Tell("Error " + std::to_string(CurrentError().number) + " trapped in " + procedure + " (" + step + ")");
}

void ConsoleContext::AppErrorLog(bool, bool) {
  const ErrorInfo& error = CurrentError();
  Tell("Error " + std::to_string(error.number) + " from " + error.source + ": " + error.description);
}

std::string ConsoleContext::ApplicationName() { return settings_.application_name; }

std::int32_t ConsoleContext::MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) {
  const std::string text = title + ": " + WithLineFeeds(prompt);
  if (buttons != kYesNoButtons) {
    Tell(text);
    return kAnswerOk;
  }
  const bool yes = AnswerYes(text);
  WriteToLog(text + " [" + (yes ? "Yes" : "No") + "]");
  return yes ? kAnswerYes : kAnswerNo;
}

bool ConsoleContext::AnswerYes(const std::string& question) {
  if (settings_.answer) {
    terminal_ << question << " [" << (*settings_.answer ? "yes" : "no") << ", from --answer]\n" << std::flush;
    return *settings_.answer;
  }
  if (!platform::StandardInputIsTerminal()) {
    terminal_ << question << " [no: standard input is not a terminal]\n" << std::flush;
    return false;
  }
  terminal_ << question << " [y/N] " << std::flush;
  // A body typed on the terminal ended with end-of-file; the answer is read afresh after it.
  std::cin.clear();
  std::string reply;
  std::getline(std::cin, reply);
  return reply == "y" || reply == "Y" || reply == "yes" || reply == "Yes" || reply == "YES";
}

void ConsoleContext::CheckLogWritten() const {
  if (log_file_.is_open() && !log_file_) {
    throw RuntimeError(error_number::kPathFileAccessError, "cannot write the log file " + settings_.log_file);
  }
}

void ConsoleMessageBox::Show(const std::string& prompt, const std::string& title) {
  context_->Tell(title + ": " + WithLineFeeds(prompt));
}

}  // namespace quorvel::tools

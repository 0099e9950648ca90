#include "tools/console_context.h"

#include "quorvel/error.h"

namespace quorvel::cli {

ConsoleContext::ConsoleContext(std::string applicationName, std::ostream& terminal, const std::string& logFile)
    : application_name_(std::move(applicationName)), terminal_(terminal), log_path_(logFile) {
  if (logFile.empty()) return;
  log_file_.open(logFile, std::ios::app | std::ios::binary);
  if (!log_file_) throw RuntimeError(error_number::kPathFileAccessError, "cannot open the log file " + logFile);
}

void ConsoleContext::Write(const std::string& line) {
  terminal_ << line << '\n' << std::flush;
  if (log_file_.is_open()) log_file_ << line << '\n' << std::flush;
}

void ConsoleContext::SessionLogAdd(const std::string& line) { Write(line); }

void ConsoleContext::SessionLogAddVerbose(const std::string& line) { Write(line); }

void ConsoleContext::AppErrorPreserve(const std::string& procedure, std::string& step) {
  Write("Error " + std::to_string(CurrentError().number) + " trapped in " + procedure + " (" + step + ")");
}

void ConsoleContext::AppErrorLog(bool, bool) {
  const ErrorInfo& error = CurrentError();
  Write("Error " + std::to_string(error.number) + " from " + error.source + ": " + error.description);
}

std::string ConsoleContext::ApplicationName() { return application_name_; }

void ConsoleContext::CheckLogWritten() const {
  if (log_file_.is_open() && !log_file_) {
    throw RuntimeError(error_number::kPathFileAccessError, "cannot write the log file " + log_path_);
  }
}

}  // namespace quorvel::cli

// The command-line host's application context: every line the library hands it goes to standard
// error, and to a log file when one is given.
#pragma once

#include <fstream>
#include <ostream>
#include <string>

#include "quorvel/application_context.h"

namespace quorvel::cli {

class ConsoleContext : public ApplicationContext {
 public:
  // Raises 75 when the log file cannot be opened for appending.
  ConsoleContext(std::string applicationName, std::ostream& terminal, const std::string& logFile);

  void SessionLogAdd(const std::string& line) override;
  void SessionLogAddVerbose(const std::string& line) override;
  void AppErrorPreserve(const std::string& procedure, std::string& step) override;
  void AppErrorLog(bool first, bool second) override;
  std::string ApplicationName() override;

  // Raises 75 when a line could not be written to the log file, so that no lost line goes unsaid.
  void CheckLogWritten() const;

 private:
  void Write(const std::string& line);

  std::string application_name_;
  std::ostream& terminal_;
  std::string log_path_;
  std::ofstream log_file_;
};

}  // namespace quorvel::cli

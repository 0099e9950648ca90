// The command-line host's application context: every line the library hands it goes to the log file
// when one is given; standard error shows message boxes, questions and errors, and the trail lines
// too when the host is verbose.
#pragma once

#include <fstream>
#include <memory>
#include <optional>
#include <ostream>
#include <string>

#include "quorvel/application_context.h"
#include "quorvel/message_box.h"

namespace quorvel::tools {

struct ConsoleSettings {
  std::string application_name = "Quorvel";
  std::string log_file{};
  bool verbose = false;
  // The answer to every Yes/No question; without one a terminal on standard input is asked, and
  // anything else answers No.
  std::optional<bool> answer{};
};

class ConsoleContext : public ApplicationContext {
 public:
  // Raises 75 when the log file cannot be opened for appending.
  ConsoleContext(ConsoleSettings settings, std::ostream& terminal);

  void SessionLogAdd(const std::string& line) override;
  void SessionLogAddVerbose(const std::string& line) override;
  void AppErrorPreserve(const std::string& procedure, std::string& step) override;
  void AppErrorLog(bool first, bool second) override;
  std::string ApplicationName() override;
  std::int32_t MsgBox(const std::string& prompt, std::int32_t buttons, const std::string& title) override;

  // A notice for the user: on standard error and in the log.
  void Tell(const std::string& text);

  // Raises 75 when a line could not be written to the log file, so that no lost line goes unsaid.
  void CheckLogWritten() const;

 private:
  void WriteToLog(const std::string& line);
  bool AnswerYes(const std::string& prompt);

  ConsoleSettings settings_;
  std::ostream& terminal_;
  std::ofstream log_file_;
};

// The library's own message box, shown as a notice of the context: a command-line host opens no dialog.
class ConsoleMessageBox : public platform::MessageBox {
 public:
  explicit ConsoleMessageBox(std::shared_ptr<ConsoleContext> context) : context_(std::move(context)) {}
  void Show(const std::string& prompt, const std::string& title) override;

 private:
  std::shared_ptr<ConsoleContext> context_;
};

}  // namespace quorvel::tools

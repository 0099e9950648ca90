#include "log/procedure.h"

#include <string>

namespace quorvel::log {

Procedure::Procedure(SessionLog& log, const char* tag) : log_(log), tag_(tag) {}

void Procedure::Enter() { Log(log_.style().entry_text); }

void Procedure::Exit() { Log(" - Normal Exit"); }

void Procedure::WriteErrorLine(const AutomationError& error) {
  const CurrentErrorScope current(error);
  log_.ErrorLine(tag_, line_, error);
}

void Procedure::RaiseAgain(const AutomationError& error) {
  WriteErrorLine(error);
  throw AutomationError(error.number(), error.description(), std::string(tag_) + " at line " + std::to_string(line_));
}

}  // namespace quorvel::log

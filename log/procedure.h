// One run of a provider procedure with numbered lines: it knows its tag and the line now running,
// writes its lines under its tag, and turns an error raised in its body into an error line that is
// either kept (the procedure answers false) or passed on to its caller.
//
//   Procedure p(log_, "Quorvel/MailMAPI/AddRecipient");
//   p.PassOn([&] {
//     p.Enter();
//     p.Line(10); messages.RecipIndex(count);
//     ...
//   });
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

#include "log/session_log.h"
#include "quorvel/error.h"

namespace quorvel::log {

class Procedure {
 public:
  // The tag is a literal: a procedure runs on every send and keeps only a view of it.
  Procedure(SessionLog& log, const char* tag);

  int line() const { return line_; }
  // Marks the numbered line that runs next; an error from here on is reported at this line.
  void Line(int number) { line_ = number; }

  // The tag immediately followed by the texts.
  template <class... Texts>
  void Log(const Texts&... texts) {
    log_.LogLine({tag_, std::string_view(texts)...});
  }
  void Enter();                     // the tag and the class's entry text
  void Exit();                      // the tag and " - Normal Exit"

  // Runs the body; an error gets its error line and is raised again with the same number and
  // description, its source the tag + " at line " + the line.
  template <class Body>
  decltype(auto) PassOn(Body&& body) {
    try {
      return body();
    } catch (...) {
      RaiseAgain(CaughtAsAutomationError());
    }
  }

  // Runs a body that answers the procedure's Boolean result; an error gets its error line and
  // the answer is false.
  template <class Body>
  bool Keep(Body&& body) {
    return Keep(std::forward<Body>(body), [](const AutomationError&, int) { return std::optional<bool>(); });
  }

  // As above, but exempt(error, line) may claim an error first: when it answers a result, the
  // procedure returns that result and writes no error line.
  template <class Body, class Exempt>
  bool Keep(Body&& body, Exempt&& exempt) {
    static_assert(std::is_same_v<decltype(body()), bool>, "a kept procedure answers a Boolean");
    try {
      return body();
    } catch (...) {
      const AutomationError error = CaughtAsAutomationError();
      if (const std::optional<bool> result = exempt(error, line_)) return *result;
      WriteErrorLine(error);
      return false;
    }
  }

 private:
  void WriteErrorLine(const AutomationError& error);
  [[noreturn]] void RaiseAgain(const AutomationError& error);

  SessionLog& log_;
  std::string_view tag_;
  int line_ = 0;
};

}  // namespace quorvel::log

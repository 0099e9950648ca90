// The facade's trail: Email keeps no log of its own; each line goes at once to the application
// context, and a trapped error is reported to the context (the Email error trail).
//
//   FacadeProcedure p(trail_, "Quorvel/EMail/GetMailClients");
//   bool result = false;
//   p.Trap([&] { p.Log(" - Entry"); ...; result = true; });
//   return result;  // as it stood when an error was trapped
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "log/line_format.h"
#include "quorvel/application_context.h"
#include "quorvel/clock.h"
#include "quorvel/error.h"

namespace quorvel::log {

class FacadeTrail {
 public:
  explicit FacadeTrail(std::shared_ptr<platform::Clock> clock);

  void SetContext(std::shared_ptr<ApplicationContext> context) { context_ = std::move(context); }
  const std::shared_ptr<ApplicationContext>& context() const { return context_; }

  // Hands the context's SessionLogAdd the time stamp, a TAB and the message; 91 without a context.
  void LogLine(std::string_view message) { LogLine({message}); }
  void LogLine(MessageParts message);
  // While the error is the thread's current error: AppErrorPreserve(tag, "Initialize"), then
  // AppErrorLog(true, true). A failure here reaches the caller of the operation.
  void ReportTrappedError(std::string_view tag, const AutomationError& error);

 private:
  std::shared_ptr<platform::Clock> clock_;
  std::shared_ptr<ApplicationContext> context_;
};

class FacadeProcedure {
 public:
  // The tag is a literal: the procedure keeps only a view of it.
  FacadeProcedure(FacadeTrail& trail, const char* tag) : trail_(trail), tag_(tag) {}

  void Log(std::string_view text);  // the tag immediately followed by the text

  // Runs the body; an error ends it and takes the Email error trail.
  template <class Body>
  void Trap(Body&& body) {
    try {
      body();
    } catch (...) {
      trail_.ReportTrappedError(tag_, CaughtAsAutomationError());
    }
  }

 private:
  FacadeTrail& trail_;
  std::string_view tag_;
};

}  // namespace quorvel::log

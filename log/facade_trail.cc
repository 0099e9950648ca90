#include "log/facade_trail.h"

#include <utility>

#include "log/context_access.h"

namespace quorvel::log {

FacadeTrail::FacadeTrail(std::shared_ptr<platform::Clock> clock) : clock_(std::move(clock)) {}

void FacadeTrail::LogLine(MessageParts message) {
  RequireContext(context_).SessionLogAdd(FacadeLine(clock_->Now(), message));
}

void FacadeTrail::ReportTrappedError(std::string_view tag, const AutomationError& error) {
  const CurrentErrorScope current(error);
  ApplicationContext& context = RequireContext(context_);
  std::string step = "Initialize";
  context.AppErrorPreserve(std::string(tag), step);
  context.AppErrorLog(true, true);
}

void FacadeProcedure::Log(std::string_view text) { trail_.LogLine({tag_, text}); }

}  // namespace quorvel::log

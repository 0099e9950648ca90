#include "log/session_log.h"

#include <utility>

namespace quorvel::log {

SessionLog::SessionLog(std::shared_ptr<platform::Clock> clock, TrailStyle style)
    : clock_(std::move(clock)), style_(style) {}

void SessionLog::LogLine(std::string_view message) {
  text_ += ProviderEntry(clock_->Now(), message);
  if (verbose_context_) verbose_context_->SessionLogAddVerbose(std::string(message));
}

void SessionLog::ErrorLine(std::string_view tag, int line, const AutomationError& error) {
  text_ += ErrorEntry(clock_->Now(), style_.error_code, {error.number(), tag, line, error.description()});
}

void SessionLog::ForwardVerboseTo(std::shared_ptr<ApplicationContext> context) {
  verbose_context_ = std::move(context);
}

}  // namespace quorvel::log

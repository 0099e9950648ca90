#include "log/session_log.h"

#include <utility>

namespace quorvel::log {

namespace {
// A send's trail, a body of a KiB included, stays under this: one allocation, not eight doublings.
constexpr std::size_t kUsualTrailSize = 4096;
}  // namespace

SessionLog::SessionLog(std::shared_ptr<platform::Clock> clock, TrailStyle style)
    : clock_(std::move(clock)), style_(style) {
  text_.reserve(kUsualTrailSize);
}

void SessionLog::LogLine(MessageParts message) {
  AppendProviderEntry(text_, clock_->Now(), message);
  if (verbose_context_) {
    std::string bare;
    for (const std::string_view part : message) bare += part;
    verbose_context_->SessionLogAddVerbose(bare);
  }
}

void SessionLog::ErrorLine(std::string_view tag, int line, const AutomationError& error) {
  text_ += ErrorEntry(clock_->Now(), style_.error_code, {error.number(), tag, line, error.description()});
}

void SessionLog::ForwardVerboseTo(std::shared_ptr<ApplicationContext> context) {
  verbose_context_ = std::move(context);
}

}  // namespace quorvel::log

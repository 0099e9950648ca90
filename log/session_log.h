// A provider's session log: every line it writes, kept as one text that GetLog returns.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "log/line_format.h"
#include "quorvel/application_context.h"
#include "quorvel/clock.h"
#include "quorvel/error.h"

namespace quorvel::log {

// What sets one provider's trail apart from another's.
struct TrailStyle {
  std::string_view entry_text;  // written after the tag on a procedure's first line
  ErrorCodeForm error_code;
};

class SessionLog {
 public:
  SessionLog(std::shared_ptr<platform::Clock> clock, TrailStyle style);

  void LogLine(std::string_view message) { LogLine({message}); }
  void LogLine(MessageParts message);
  // Appends the error line of an error trapped at a line of the procedure with that tag.
  void ErrorLine(std::string_view tag, int line, const AutomationError& error);
  const std::string& GetLog() const { return text_; }
  const TrailStyle& style() const { return style_; }

  // From now on every message also goes, without time stamp, to the context's SessionLogAddVerbose;
  // none stops the forwarding.
  void ForwardVerboseTo(std::shared_ptr<ApplicationContext> context);

 private:
  std::shared_ptr<platform::Clock> clock_;
  TrailStyle style_;
  std::string text_;
  std::shared_ptr<ApplicationContext> verbose_context_;
};

}  // namespace quorvel::log

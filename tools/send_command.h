// quorvel send: the options and positional arguments made into one message for Email.Send.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "quorvel/message.h"
#include "tools/console_context.h"

namespace quorvel::tools {

struct SendOptions {
  std::string from{};
  std::vector<std::string> to{};
  std::vector<std::string> cc{};
  std::vector<std::string> bcc{};
  std::vector<std::string> attachments{};
  std::optional<std::string> subject{};
  std::optional<std::string> body{};
  std::optional<std::string> body_file{};  // "-" for standard input
  std::int32_t importance = 1;
  bool html = false;
  std::optional<std::string> client{};
  std::optional<std::string> attachment_note{};
  std::vector<std::string> addresses_or_uri{};  // the positional arguments
  bool json = false;                            // print the outcome on standard output as JSON
  ConsoleSettings console{};
};

// A command line that cannot make a message; nothing has been handed to a client yet.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// An attachment that exists but that this user may not read; nothing has been handed to a client yet.
struct UnreadableAttachment : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Raises UsageError for an invalid mailto: URI or more than one, a subject or body given twice, a
// missing attachment, an unreadable body file, or a control character where a client would take it
// for the end of a field (a NUL anywhere); UnreadableAttachment for an attachment this user may not read.
Message MessageFromOptions(const SendOptions& options);

// The exit statuses of quorvel send; 2, 4 and 5 mean what they mean to xdg-email.
namespace send_status {
inline constexpr int kOpened = 0;         // a client or the mailto: handler was opened
inline constexpr int kNotSent = 1;        // Send answered false, nothing opened; the trail says why
inline constexpr int kUsageError = 2;     // before anything was handed over
inline constexpr int kError = 3;          // an error reached the command, or its output was lost
inline constexpr int kNothingOpened = 4;  // no handler, every route refused, the client failed at once
inline constexpr int kUnreadableAttachment = 5;
}  // namespace send_status

// Sends the message and tells the user, even without -v, what did not reach the client or that
// nothing was opened; with json, prints the outcome on standard output. Answers the exit status, decided from the send's outcome. Raises UsageError
// for a --client that names no installed client.
int RunSend(const SendOptions& options);

}  // namespace quorvel::tools

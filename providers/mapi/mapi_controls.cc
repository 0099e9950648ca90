#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi {

namespace {
std::string_view Text(std::int32_t number) {
  switch (number) {
    case mapi_error::kUserAbort: return "User cancelled process";
    case mapi_error::kFailure: return "Unspecified failure";
    case mapi_error::kLoginFailure: return "Login has failed";
    case mapi_error::kInsufficientMemory: return "Insufficient memory";
    case mapi_error::kTooManySessions: return "Too many sessions";
    case mapi_error::kTooManyFiles: return "Too many files";
    case mapi_error::kTooManyRecipients: return "Too many recipients";
    case mapi_error::kAttachmentNotFound: return "Attachment not found";
    case mapi_error::kAttachmentOpenFailure: return "Attachment open failure";
    case mapi_error::kUnknownRecipient: return "Unknown recipient";
    case mapi_error::kBadRecipType: return "Invalid recipient type";
    case mapi_error::kTextTooLarge: return "Text too large";
    case mapi_error::kInvalidSession: return "Invalid session";
    case mapi_error::kAmbiguousRecipient: return "Ambiguous recipient";
    case mapi_error::kInvalidRecips: return "Invalid recipients";
    case mapi_error::kNotSupported: return "Not supported";
    case mapi_error::kNoSession: return "No valid session ID";
    case mapi_error::kNoAttachment: return "No attachment";
    default: return {};
  }
}
}  // namespace

AutomationError MapiError(std::int32_t number, std::string_view detail) {
  // A number the controls have no text for (a mail system's code of its own) is told by the detail alone.
  if (Text(number).empty()) return AutomationError(number, std::string(detail));
  return ErrorWithDetail(number, Text(number), detail);
}

}  // namespace quorvel::mapi

// The two Simple MAPI controls MailMAPI drives: the session control signs on to the mail system, the
// messages control composes one message and hands it to the mail client's compose window.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "quorvel/error.h"
#include "quorvel/variant.h"

namespace quorvel::mapi {

inline constexpr const char* kSessionProgId = "MSMAPI.MAPISession";
inline constexpr const char* kMessagesProgId = "MSMAPI.MAPIMessages";

// The controls' own error numbers: 32000 + the Simple MAPI code where the mail system answers one.
namespace mapi_error {
inline constexpr std::int32_t kUserAbort = 32001;
inline constexpr std::int32_t kFailure = 32002;
inline constexpr std::int32_t kLoginFailure = 32003;
inline constexpr std::int32_t kInsufficientMemory = 32005;
inline constexpr std::int32_t kTooManySessions = 32008;
inline constexpr std::int32_t kTooManyFiles = 32009;
inline constexpr std::int32_t kTooManyRecipients = 32010;
inline constexpr std::int32_t kAttachmentNotFound = 32011;
inline constexpr std::int32_t kAttachmentOpenFailure = 32012;
inline constexpr std::int32_t kUnknownRecipient = 32014;
inline constexpr std::int32_t kBadRecipType = 32015;
inline constexpr std::int32_t kTextTooLarge = 32018;
inline constexpr std::int32_t kInvalidRecips = 32025;
inline constexpr std::int32_t kNotSupported = 32026;
inline constexpr std::int32_t kInvalidSession = 32019;
inline constexpr std::int32_t kAmbiguousRecipient = 32021;
inline constexpr std::int32_t kNoSession = 32053;
inline constexpr std::int32_t kNoAttachment = 32058;
}  // namespace mapi_error

// A control's error: its own text for the number ("Login has failed"), then what went wrong.
AutomationError MapiError(std::int32_t number, std::string_view detail = {});

// Recipient types as RecipType takes them.
namespace recip_type {
inline constexpr std::int16_t kTo = 1;
inline constexpr std::int16_t kCc = 2;
inline constexpr std::int16_t kBcc = 3;
}  // namespace recip_type

class MapiSession : public AutomationObject {
 public:
  std::string ClassName() const override { return "MAPISession"; }

  virtual void DownLoadMail(bool value) = 0;
  virtual void LogonUI(bool value) = 0;
  virtual void NewSession(bool value) = 0;
  virtual std::int32_t SessionID() = 0;
  virtual void Password(const std::string& value) = 0;
  virtual void UserName(const std::string& value) = 0;
  virtual void SignOn() = 0;
  virtual void SignOff() = 0;
};

// Recipients and attachments live in numbered slots: setting RecipIndex (AttachmentIndex) to the
// current count opens a new slot at the end, a lower index selects an existing one; the Recip*
// (Attachment*) properties then apply to the selected slot.
class MapiMessages : public AutomationObject {
 public:
  std::string ClassName() const override { return "MAPIMessages"; }

  virtual void SessionID(std::int32_t value) = 0;
  virtual void Compose() = 0;
  virtual void MsgSubject(const std::string& value) = 0;
  virtual void MsgNoteText(const std::string& value) = 0;
  virtual std::int32_t RecipCount() = 0;
  virtual void RecipIndex(std::int32_t value) = 0;
  virtual void RecipAddress(const std::string& value) = 0;
  virtual void RecipType(std::int16_t value) = 0;
  virtual std::int32_t AttachmentCount() = 0;
  virtual void AttachmentIndex(std::int32_t value) = 0;
  virtual void AttachmentName(const std::string& value) = 0;
  virtual void AttachmentPathName(const std::string& value) = 0;
  virtual void AttachmentPosition(std::int32_t value) = 0;
  virtual void AttachmentType(std::int16_t value) = 0;
  // Shows the message in the mail client's compose window when showDialog is true.
  virtual void Send(bool showDialog) = 0;
};

// A messages control that knows what its last Send could not hand to the client says so here.
class HandOffReport {
 public:
  virtual ~HandOffReport() = default;
  // Each part left out, with why, in one phrase; empty when everything went.
  virtual std::vector<std::string> NotHandedOver() const = 0;
};

}  // namespace quorvel::mapi

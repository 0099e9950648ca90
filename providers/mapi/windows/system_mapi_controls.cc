#include "providers/mapi/windows/system_mapi_controls.h"

#include <deque>
#include <optional>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/windows/wide_text.h"
#include "providers/mapi/recipient_address.h"

namespace quorvel::mapi {

namespace {

using simple_mapi::Ulong;

// A code a call answered, as the controls' error 32000 + code; a code past the controls' range of
// numbers (which no call documents) as a failure.
void Check(Ulong code, const char* call) {
  if (code == simple_mapi::kSuccess) return;
  const std::int32_t number = code < 1000 ? 32000 + static_cast<std::int32_t>(code) : mapi_error::kFailure;
  throw MapiError(number, std::string(call) + " answered " + std::to_string(code));
}

AutomationError NoSession() { return MapiError(mapi_error::kNoSession); }

// Ending a session no one waits for: the mail system's answer has no one to go to.
void LogOffQuietly(SystemSessions& sessions, std::int32_t id) {
  if (const std::optional<MapiLogon> logon = sessions.Remove(id)) logon->mapi->Logoff(logon->handle);
}

char* NullWhenEmpty(std::string& text) { return text.empty() ? nullptr : text.data(); }

// The message as MAPISendMailW takes it: its structures, and the UTF-16 texts they point into.
class WideMessage {
 public:
  WideMessage(const MessageSlots& slots, platform::FileSystem& files) {
    for (const Recipient& recipient : slots.recipients()) {
      if (recipient.address.empty()) continue;
      const NamedAddress named = SplitRecipient(recipient.address);
      if (named.address.empty()) throw MapiError(mapi_error::kInvalidRecips, recipient.address + " holds no address");
      recipients_.push_back({.ulRecipClass = static_cast<Ulong>(recipient.type),
                             .lpszName = Keep(named.name.empty() ? named.address : named.name),
                             .lpszAddress = Keep("SMTP:" + named.address)});
    }
    for (const Attachment& attachment : slots.attachments()) {
      if (!files.FileExists(attachment.path_name)) {
        throw MapiError(mapi_error::kAttachmentNotFound, attachment.path_name);
      }
      attachments_.push_back(
          {.nPosition = simple_mapi::kNotPlaced,
           .lpszPathName = Keep(attachment.path_name),
           .lpszFileName = Keep(attachment.name.empty() ? files.GetFileName(attachment.path_name) : attachment.name)});
    }
    message_.lpszSubject = Keep(slots.subject());
    message_.lpszNoteText = Keep(slots.note_text());
    message_.nRecipCount = static_cast<Ulong>(recipients_.size());
    message_.lpRecips = recipients_.empty() ? nullptr : recipients_.data();
    message_.nFileCount = static_cast<Ulong>(attachments_.size());
    message_.lpFiles = attachments_.empty() ? nullptr : attachments_.data();
  }
  WideMessage(const WideMessage&) = delete;
  WideMessage& operator=(const WideMessage&) = delete;

  simple_mapi::MessageW& message() { return message_; }

 private:
  // A deque keeps each text where it is as more are added.
  wchar_t* Keep(std::string_view text) { return texts_.emplace_back(platform::Widen(text)).data(); }

  std::deque<std::wstring> texts_;
  std::vector<simple_mapi::RecipDescW> recipients_;
  std::vector<simple_mapi::FileDescW> attachments_;
  simple_mapi::MessageW message_;
};

}  // namespace

SystemMapiSession::~SystemMapiSession() {
  if (session_id_ != 0) LogOffQuietly(*sessions_, session_id_);
}

void SystemMapiSession::SignOn() {
  std::optional<std::string> user = platform::ToAnsiCodePage(user_name_);
  std::optional<std::string> password = platform::ToAnsiCodePage(password_);
  if (!user || !password) {
    throw MapiError(mapi_error::kLoginFailure,
                    "the user name or password has a character the system's code page lacks");
  }
  auto mapi = std::make_shared<const simple_mapi::SystemMapi>();
  const Ulong flags = (logon_ui_ ? simple_mapi::kLogonUi : 0) | (new_session_ ? simple_mapi::kNewSession : 0) |
                      (download_mail_ ? simple_mapi::kForceDownload : 0);
  simple_mapi::SessionHandle handle = 0;
  Check(mapi->Logon(NullWhenEmpty(*user), NullWhenEmpty(*password), flags, handle), "MAPILogon");
  if (session_id_ != 0) LogOffQuietly(*sessions_, session_id_);
  session_id_ = sessions_->Add({std::move(mapi), handle});
}

void SystemMapiSession::SignOff() {
  if (session_id_ == 0) throw NoSession();
  const std::optional<MapiLogon> logon = sessions_->Remove(std::exchange(session_id_, 0));
  if (logon) Check(logon->mapi->Logoff(logon->handle), "MAPILogoff");
}

void SystemMapiMessages::Send(bool showDialog) {
  const std::optional<MapiLogon> logon = sessions_->Find(session_id_);
  if (!logon) throw NoSession();
  if (!showDialog) {
    throw MapiError(mapi_error::kNotSupported,
                    "a message is shown in the mail client's compose window, never sent unseen");
  }
  WideMessage wide(message_, *files_);
  Check(logon->mapi->SendMail(logon->handle, wide.message(), simple_mapi::kDialog), "MAPISendMailW");
}

void RegisterSystemMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::FileSystem> files) {
  auto sessions = std::make_shared<SystemSessions>();
  servers.Register(kSessionProgId, [sessions] { return std::make_shared<SystemMapiSession>(sessions); });
  servers.Register(kMessagesProgId, [sessions, files = std::move(files)] {
    return std::make_shared<SystemMapiMessages>(sessions, files);
  });
}

}  // namespace quorvel::mapi

#include "quorvel/mail_ms_outlook.h"

#include <cstdint>
#include <optional>

#include "lists/list_shape.h"
#include "lists/list_walker.h"
#include "log/procedure.h"
#include "platform/automation_servers.h"
#include "platform/file_system.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "providers/cdo/cdo_objects.h"
#include "providers/item_importance.h"
#include "quorvel/application_context.h"
#include "quorvel/message_box.h"

namespace quorvel {
namespace cdo {

namespace {
constexpr log::TrailStyle kCdoTrail{" - Entered", log::ErrorCodeForm::kDecimal};

// These tags carry no library segment.
constexpr const char* kShortTag = "MailMSOutlook/SendMail";

// CDO's code for a send dialog the user cancelled (0x80040113), as it is compared.
constexpr const char* kUserCancelCode = "80040113";

constexpr const char* kCdoMissingTitle = "Using Microsoft Outlook for email";

std::string CdoMissingPrompt() {
  return "To send mail by Microsoft Outlook " + LibraryDisplayTitle() +
         " requires that the Collaboration Data Objects are installed.\r\n\r\n"
         "Please run Microsoft Outlook setup, choose 'Custom', make sure 'Collaboration Data Objects' is checked.";
}

std::int32_t RecipientTypeCode(const std::string& typeName) {
  if (typeName == "To") return recipient_type::kTo;
  if (typeName == "CC") return recipient_type::kCc;
  return recipient_type::kBcc;
}
}  // namespace

// The provider itself; MailMSOutlook is its public face.
class MailMSOutlookImpl {
 public:
  explicit MailMSOutlookImpl(Platform platform);

  std::string GetLog() const { return log_.GetLog(); }
  bool OpenSession(const std::string& Server, const std::string& Mailbox, const std::string& profile,
                   const std::string& Password);
  bool CloseSession();
  bool Send(const quorvel::Message& message);  // cdo::Message is CDO's own

 private:
  bool AddRecipients(Recipients& recipients, const Variant& addresses, const std::string& typeName);
  bool AddRecipient(Recipients& recipients, const std::string& address, const std::string& typeName);
  bool AddAttachments(Message& message, const Variant& attachments);
  bool AddAttachment(Message& message, const std::string& path, std::int32_t index);

  Platform platform_;
  log::SessionLog log_;
  std::shared_ptr<Session> objSession_;
  std::shared_ptr<Folder> objInboxFolder_;
  std::shared_ptr<Messages> objInboxMessages_;
};

MailMSOutlookImpl::MailMSOutlookImpl(Platform platform)
    : platform_(std::move(platform)), log_(platform_.clock, kCdoTrail) {}

bool MailMSOutlookImpl::OpenSession(const std::string& Server, const std::string& Mailbox, const std::string& profile,
                                    const std::string& Password) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/OpenSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    const std::string profileInfo = Server + "\n" + Mailbox;
    p.Line(30);
    // Only this step tells the user that CDO is missing; the servers never answer a session of none.
    try {
      objSession_ = platform::As<Session>(platform_.services->servers->CreateObject(kSessionProgId));
    } catch (...) {
      platform_.message_box->Show(CdoMissingPrompt(), kCdoMissingTitle);
      p.Log(" - Microsoft Outlook - CDO not installed");
      return false;
    }
    p.Line(40);
    if (!Server.empty()) {
      p.Line(50);
      p.Log("- Logging on to " + Server + " " + Mailbox);
      p.Line(60);
      objSession_->Logon("", "", false, true, 0, true, profileInfo);
    } else {
      p.Line(70);
      p.Log("- Logging on to current open profile");
      p.Line(80);
      objSession_->Logon(profile, Password, false, true, 0, true, std::nullopt);
    }
    p.Line(90);
    p.Log("- get GetDefaultFolder(CdoDefaultFolderInbox)");
    objInboxFolder_ = platform::As<Folder>(objSession_->GetDefaultFolder(kCdoDefaultFolderInbox));
    p.Line(100);
    p.Log("-  get objInboxFolder.Messages");
    objInboxMessages_ = platform::As<Messages>(objInboxFolder_->Messages());
    p.Line(110);
    p.Exit();
    return true;
  });
}

bool MailMSOutlookImpl::CloseSession() {
  log::Procedure p(log_, "MailMSOutlook/SendMail/CloseSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    objInboxMessages_.reset();
    objInboxFolder_.reset();
    p.Line(30);
    platform::Held(objSession_).Logoff();
    objSession_.reset();
    p.Line(40);
    p.Exit();
    return true;
  });
}

bool MailMSOutlookImpl::Send(const quorvel::Message& message) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/Send");
  bool result = true;
  // A cancelled send dialog is the user's answer, not a failure: the result stands as it was.
  const auto user_cancel = [&](const AutomationError& error, int) -> std::optional<bool> {
    if (log::HexCode(error.number()) != kUserCancelCode) return std::nullopt;
    p.Log(" - User Cancel");
    return result;
  };
  return p.Keep(
      [&] {
        p.Line(10);
        p.Enter();
        p.Line(20);
        p.Log(" - objInboxMessages.Add");
        const auto newMail = platform::As<Message>(platform::Held(objInboxMessages_).Add());
        p.Line(30);
        p.Log(" - with objInboxMessages");
        p.Line(40);
        log_.LogLine(std::string(kShortTag) + "New Email" + ".Subject" + message.Subject);
        p.Line(50);
        newMail->Subject(message.From.empty() ? message.Subject : message.From + " | " + message.Subject);
        p.Line(60);
        newMail->Text(message.Body);
        p.Line(70);
        newMail->Importance(providers::ItemImportance(message.Importance));
        p.Line(80);
        const auto recipients = platform::As<Recipients>(newMail->Recipients());
        p.Line(90);
        // Each list is added whatever became of the one before.
        result = AddRecipients(*recipients, message.addrTO, "To") && result;
        result = AddRecipients(*recipients, message.addrCC, "CC") && result;
        result = AddRecipients(*recipients, message.addrBCC, "BCC") && result;
        p.Line(100);
        p.Log(" - Attachments");
        result = AddAttachments(*newMail, message.ATTACHMENTS) && result;
        p.Line(110);
        // The user sees the message even when a recipient or an attachment is missing from it.
        p.Log(" - .send");
        newMail->Send(true, true, 0);
        p.Line(120);
        p.Exit();
        return result;
      },
      user_cancel);
}

// The last address decides the result.
bool MailMSOutlookImpl::AddRecipients(Recipients& recipients, const Variant& addresses, const std::string& typeName) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/AddRecipients");
  return p.PassOn([&] {
    bool result = false;
    lists::WalkList(
        p, addresses, {" - add recipient: ", " - Recipient " + typeName + " did not resolve: "},
        [&](const std::string& address, std::int32_t) { result = AddRecipient(recipients, address, typeName); });
    return result;
  });
}

bool MailMSOutlookImpl::AddRecipient(Recipients& recipients, const std::string& address, const std::string& typeName) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/AddRecipient");
  return p.PassOn([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    if (lists::IsBlank(address)) return true;
    p.Line(30);
    const std::int32_t type = RecipientTypeCode(typeName);
    p.Line(40);
    p.Log(" - add recipient: " + address);
    p.Line(50);
    const Variant::Object added = recipients.Add(address, type);
    const auto recipient = added ? platform::As<Recipient>(added) : nullptr;
    p.Line(60);
    bool result = false;
    if (!recipient) {
      p.Log(" - Unable to add message recipient using address" + address);
    } else {
      p.Line(70);
      // From here on a failing call is skipped: an address the messaging system does not know is
      // taken off the message, which still goes to the send dialog.
      try {
        recipient->Resolve(false);
        result = true;
      } catch (...) {
        const AutomationError error = CaughtAsAutomationError();
        p.Log(" - Error resolving recipient: " + address + " " + log::HexCode(error.number()) + " " +
              error.description());
        try {
          recipient->Delete();
        } catch (...) {
        }
      }
    }
    p.Line(80);
    p.Exit();
    return result;
  });
}

// The last path decides the result.
bool MailMSOutlookImpl::AddAttachments(Message& message, const Variant& attachments) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/AddAttachments");
  return p.PassOn([&] {
    bool result = false;
    lists::WalkList(p, attachments,
                    {" - add attachment: ", " - Attachment " + TextForm(attachments) + " did not resolve: "},
                    [&](const std::string& path, std::int32_t index) { result = AddAttachment(message, path, index); });
    p.Line(70);
    p.Exit();
    return result;
  });
}

bool MailMSOutlookImpl::AddAttachment(Message& message, const std::string& path, std::int32_t index) {
  log::Procedure p(log_, "MailMSOutlook/SendMail/AddAttachment");
  return p.PassOn([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    if (lists::IsBlank(path)) {
      p.Log(" - blank attachment - exit");
      return true;
    }
    p.Line(30);
    platform::FileSystem& files = *platform_.services->file_system;
    bool result = false;
    p.Line(40);
    if (files.FileExists(path)) {
      p.Line(50);
      const Variant::Object added = platform::As<Attachments>(message.Attachments())->Add();
      p.Line(60);
      if (!added) {
        p.Log(" - Unable to create attachment object");
        return false;
      }
      const auto attachment = platform::As<Attachment>(added);
      p.Line(70);
      p.Log(" - Attach: " + path);
      p.Line(80);
      attachment->Type(kCdoFileData);
      // A Long: a position past the largest one overflows, as the runtime's arithmetic does.
      const std::int64_t position = static_cast<std::int64_t>(platform::Utf8Characters(message.Text())) + index + 1;
      if (position > INT32_MAX) throw RuntimeError(error_number::kOverflow);
      attachment->Position(static_cast<std::int32_t>(position));
      attachment->Name(files.GetFileName(path));
      attachment->Source(path);
      attachment->ReadFromFile(path);
      p.Line(90);
      message.Update();
      p.Line(100);
      result = true;
    } else {
      p.Line(110);
      p.Log(" - Attachment does not exist: " + path);
    }
    p.Line(120);
    p.Exit();
    return result;
  });
}

}  // namespace cdo

MailMSOutlook::MailMSOutlook(Platform platform)
    : impl_(std::make_unique<cdo::MailMSOutlookImpl>(platform::Completed(std::move(platform)))) {}
MailMSOutlook::~MailMSOutlook() = default;
MailMSOutlook::MailMSOutlook(MailMSOutlook&&) noexcept = default;
MailMSOutlook& MailMSOutlook::operator=(MailMSOutlook&&) noexcept = default;

std::string MailMSOutlook::GetLog() const { return impl_->GetLog(); }
bool MailMSOutlook::OpenSession(const std::string& Server, const std::string& Mailbox, const std::string& profile,
                                const std::string& Password) {
  return impl_->OpenSession(Server, Mailbox, profile, Password);
}
bool MailMSOutlook::CloseSession() { return impl_->CloseSession(); }
bool MailMSOutlook::Send(const Message& message) { return impl_->Send(message); }

}  // namespace quorvel

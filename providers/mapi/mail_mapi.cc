#include "quorvel/mail_mapi.h"

#include <optional>

#include "lists/list_shape.h"
#include "lists/list_walker.h"
#include "log/procedure.h"
#include "platform/file_system.h"
#include "platform/services.h"
#include "providers/mapi/frm_mail_controls.h"
#include "quorvel/variant.h"

namespace quorvel {
namespace mapi {

namespace {
constexpr log::TrailStyle kMapiTrail{" - Entered", log::ErrorCodeForm::kDecimal};

std::int16_t RecipientTypeCode(const std::string& typeName) {
  if (typeName == "To") return recip_type::kTo;
  if (typeName == "BCC") return recip_type::kBcc;
  return recip_type::kCc;
}

// The number of the line of Send that hands the message to the compose window; a user cancel
// from there on is an answer, not a failure.
constexpr int kComposeWindowLine = 100;
}  // namespace

// The provider itself; MailMAPI is its public face.
class MailMAPIImpl {
 public:
  explicit MailMAPIImpl(Platform platform);
  ~MailMAPIImpl();

  void DefaultMailClient(std::string client);
  std::string GetLog() const;
  bool OpenSession(const std::string& Username, const std::string& Password);
  bool CloseSession();
  bool Send(const Message& message);
  const std::vector<std::string>& NotHandedOver() const { return not_handed_over_; }

 private:
  void AddAttachments(const Variant& attachments);
  void AddAttachment(const std::string& path);
  void AddRecipients(const Variant& addresses, const std::string& typeName);
  void AddRecipient(const std::string& address, const std::string& typeName);
  frmMailControls& ControlForm();

  Platform platform_;
  log::SessionLog log_;
  std::unique_ptr<frmMailControls> control_form_;
  std::string default_mail_client_;
  std::vector<std::string> not_handed_over_;
};

MailMAPIImpl::MailMAPIImpl(Platform platform) : platform_(std::move(platform)), log_(platform_.clock, kMapiTrail) {}

MailMAPIImpl::~MailMAPIImpl() = default;

void MailMAPIImpl::DefaultMailClient(std::string client) { default_mail_client_ = std::move(client); }

std::string MailMAPIImpl::GetLog() const { return log_.GetLog(); }

frmMailControls& MailMAPIImpl::ControlForm() {
  if (!control_form_) throw RuntimeError(error_number::kObjectNotSet);
  return *control_form_;
}

bool MailMAPIImpl::OpenSession(const std::string& Username, const std::string& Password) {
  log::Procedure p(log_, "Quorvel/MailMAPI/OpenSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    control_form_ = std::make_unique<frmMailControls>(*platform_.services->servers);
    control_form_->Load();
    MapiSession& session = control_form_->MAPISession1();
    p.Line(30);
    session.DownLoadMail(false);
    p.Line(40);
    if (!Username.empty()) session.UserName(Username);
    p.Line(50);
    if (!Password.empty()) session.Password(Password);
    p.Line(60);
    session.LogonUI(true);
    p.Line(70);
    session.NewSession(false);
    p.Line(80);
    session.SignOn();
    p.Line(90);
    p.Log(" - Signed On");
    p.Line(100);
    p.Exit();
    return true;
  });
}

bool MailMAPIImpl::CloseSession() {
  log::Procedure p(log_, "Quorvel/MailMAPI/CloseSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    ControlForm().MAPISession1().SignOff();
    p.Line(30);
    ControlForm().Unload();
    p.Line(40);
    p.Exit();
    return true;
  });
}

bool MailMAPIImpl::Send(const Message& message) {
  log::Procedure p(log_, "Quorvel/MailMAPI/Send");
  const auto user_cancel = [](const AutomationError& error, int line) -> std::optional<bool> {
    if (error.number() == mapi_error::kUserAbort && line >= kComposeWindowLine) return true;
    return std::nullopt;
  };
  not_handed_over_.clear();
  return p.Keep(
      [&] {
        p.Line(10);
        p.Enter();
        p.Line(20);
        p.Log(" - set SessionID");
        MapiMessages& messages = ControlForm().MAPIMessages1();
        messages.SessionID(ControlForm().MAPISession1().SessionID());
        p.Line(30);
        p.Log(" - set Compose");
        messages.Compose();
        p.Line(40);
        p.Log(" - set MsgSubject: '", message.Subject, "'");
        p.Line(50);
        messages.MsgSubject(message.From.empty() ? message.Subject : message.From + " | " + message.Subject);
        p.Line(60);
        p.Log(" - set MsgNoteText: '", message.Body, "'");
        messages.MsgNoteText(message.Body);
        p.Line(70);
        AddRecipients(message.addrTO, "To");
        AddRecipients(message.addrCC, "CC");
        AddRecipients(message.addrBCC, "BCC");
        p.Line(80);
        p.Log(" - Attachments");
        AddAttachments(message.ATTACHMENTS);
        p.Line(90);
        p.Log(" - .send");
        p.Line(kComposeWindowLine);
        messages.Send(true);
        if (const auto* report = dynamic_cast<const HandOffReport*>(&messages)) {
          not_handed_over_ = report->NotHandedOver();
        }
        p.Line(110);
        p.Exit();
        return true;
      },
      user_cancel);
}

void MailMAPIImpl::AddRecipients(const Variant& addresses, const std::string& typeName) {
  log::Procedure p(log_, "Quorvel/MailMAPI/AddRecipients");
  p.PassOn([&] {
    lists::WalkList(p, addresses, {" - add recipient: ", " - Recipient " + typeName + " did not resolve: "},
                    [&](const std::string& address, std::int32_t) { AddRecipient(address, typeName); });
  });
}

void MailMAPIImpl::AddRecipient(const std::string& address, const std::string& typeName) {
  log::Procedure p(log_, "Quorvel/MailMAPI/AddRecipient");
  p.PassOn([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    if (lists::IsBlank(address)) return;
    p.Line(30);
    const std::int16_t code = RecipientTypeCode(typeName);
    p.Line(40);
    p.Log(" - add recipient: ", address);
    p.Line(50);
    MapiMessages& messages = ControlForm().MAPIMessages1();
    messages.RecipIndex(messages.RecipCount());
    messages.RecipAddress(address);
    messages.RecipType(code);
    p.Line(60);
    p.Exit();
  });
}

void MailMAPIImpl::AddAttachments(const Variant& attachments) {
  log::Procedure p(log_, "Quorvel/MailMAPI/AddAttachments");
  p.PassOn([&] {
    lists::WalkList(p, attachments,
                    {" - add attachment: ", " - Attachment " + TextForm(attachments) + " did not resolve: "},
                    [&](const std::string& path, std::int32_t) { AddAttachment(path); });
    p.Line(70);
    p.Exit();
  });
}

void MailMAPIImpl::AddAttachment(const std::string& path) {
  log::Procedure p(log_, "Quorvel/MailMAPI/AddAttachment");
  p.PassOn([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    if (lists::IsBlank(path)) {
      p.Log(" - blank attachment - exit");
      return;
    }
    p.Line(30);
    platform::FileSystem& files = *platform_.services->file_system;
    if (files.FileExists(path)) {
      p.Line(40);
      p.Log(" - attachment: ", path);
      p.Line(50);
      MapiMessages& messages = ControlForm().MAPIMessages1();
      messages.AttachmentIndex(messages.AttachmentCount());
      messages.AttachmentType(0);
      messages.AttachmentName(files.GetFileName(path));
      messages.AttachmentPathName(path);
      messages.AttachmentPosition(0);
    } else {
      p.Line(60);
      p.Log(" - Attachment does not exist: ", path);
    }
    p.Line(70);
    p.Exit();
  });
}

}  // namespace mapi

MailMAPI::MailMAPI(Platform platform)
    : impl_(std::make_unique<mapi::MailMAPIImpl>(platform::Completed(std::move(platform)))) {}
MailMAPI::~MailMAPI() = default;
MailMAPI::MailMAPI(MailMAPI&&) noexcept = default;
MailMAPI& MailMAPI::operator=(MailMAPI&&) noexcept = default;

void MailMAPI::DefaultMailClient(std::string client) { impl_->DefaultMailClient(std::move(client)); }
std::string MailMAPI::GetLog() const { return impl_->GetLog(); }
bool MailMAPI::OpenSession(const std::string& Username, const std::string& Password) {
  return impl_->OpenSession(Username, Password);
}
bool MailMAPI::CloseSession() { return impl_->CloseSession(); }
bool MailMAPI::Send(const Message& message) { return impl_->Send(message); }
const std::vector<std::string>& MailMAPI::NotHandedOver() const { return impl_->NotHandedOver(); }

}  // namespace quorvel

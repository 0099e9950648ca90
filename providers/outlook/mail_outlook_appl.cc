#include "quorvel/mail_outlook_appl.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>

#include "lists/list_shape.h"
#include "lists/list_walker.h"
#include "log/procedure.h"
#include "platform/automation_servers.h"
#include "platform/file_system.h"
#include "platform/services.h"
#include "platform/text_encoding.h"
#include "providers/item_importance.h"
#include "providers/outlook/outlook_objects.h"
#include "quorvel/message_box.h"

namespace quorvel {
namespace outlook {

namespace {
constexpr log::TrailStyle kOutlookTrail{" - Entered", log::ErrorCodeForm::kDecimalAndHex};

// These tags carry no library segment.
constexpr const char* kShortTag = "MailOutlookAppl/SendMail";

constexpr const char* kAccessRefusedTitle = "Send Error Report";

std::string AccessRefusedPrompt(const std::string& address) {
  return "You will need to manually address the mail item to: " + address +
         " as access to address the email was denied.";
}

std::int32_t RecipientTypeCode(const std::string& typeName) {
  if (typeName == "To") return recipient_type::kOlTo;
  if (typeName == "CC") return recipient_type::kOlCC;
  return recipient_type::kOlBCC;
}

// Stands for the numeric function of the separate library the attachment position was computed
// with: it answers the larger of the numbers it is given.
std::int64_t LargestOf(std::initializer_list<std::int64_t> numbers) { return std::max(numbers); }
}  // namespace

// The provider itself; MailOutlookAppl is its public face.
class MailOutlookApplImpl {
 public:
  explicit MailOutlookApplImpl(Platform platform);

  void Context(std::shared_ptr<ApplicationContext> conObj) { log_.ForwardVerboseTo(std::move(conObj)); }
  std::string GetLog() const { return log_.GetLog(); }
  bool OpenSession();
  bool CloseSession();
  bool Send(const Message& message);

 private:
  bool isThereARecipient(std::initializer_list<const Variant*> addressLists);
  void AddRecipients(MailItem& item, const Variant& addresses, const std::string& typeName);
  void AddRecipient(MailItem& item, const std::string& address, const std::string& typeName);
  void AddAttachments(MailItem& item, const Variant& attachments);
  void AddAttachment(MailItem& item, const std::string& path, std::int32_t index);

  Platform platform_;
  log::SessionLog log_;
  std::shared_ptr<Application> objApplication_;
  std::shared_ptr<NameSpace> objNameSpace_;
};

MailOutlookApplImpl::MailOutlookApplImpl(Platform platform)
    : platform_(std::move(platform)), log_(platform_.clock, kOutlookTrail) {}

// Whatever was obtained before a failure stays held until CloseSession.
bool MailOutlookApplImpl::OpenSession() {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/OpenSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    p.Log(" - pre CreateObject");
    objApplication_ = platform::As<Application>(platform_.services->servers->CreateObject(kApplicationProgId));
    p.Line(30);
    p.Log(" - pre GetNamespace");
    objNameSpace_ = platform::As<NameSpace>(objApplication_->GetNamespace("MAPI"));
    p.Line(40);
    p.Log(" - pre Logon");
    objNameSpace_->Logon();
    p.Line(50);
    p.Exit();
    return true;
  });
}

// Outlook is neither logged off nor closed: the user may still be working on a displayed item.
bool MailOutlookApplImpl::CloseSession() {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/CloseSession");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    objNameSpace_.reset();
    objApplication_.reset();
    p.Line(30);
    p.Exit();
    return true;
  });
}

bool MailOutlookApplImpl::Send(const Message& message) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/Send");
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Log(" - olApp.CreateItem");
    p.Line(20);
    const auto objNewMail = platform::As<MailItem>(platform::Held(objApplication_).CreateItem(kOlMailItem));
    p.Line(30);
    p.Log(" - with objNewMail");
    p.Line(40);
    log_.LogLine(std::string(kShortTag) + " - New Email" + " .Subject = \"" + message.Subject + "\"");
    p.Line(50);
    objNewMail->Subject(message.From.empty() ? message.Subject : message.From + " | " + message.Subject);
    p.Line(60);
    if (message.HTMLFormat) {
      objNewMail->HTMLBody(message.Body);
    } else {
      objNewMail->Body(message.Body);
    }
    p.Line(70);
    objNewMail->Importance(providers::ItemImportance(message.Importance));
    p.Line(80);
    if (isThereARecipient({&message.addrTO, &message.addrCC, &message.addrBCC})) {
      p.Line(90);
      AddRecipients(*objNewMail, message.addrTO, "To");
      p.Line(100);
      AddRecipients(*objNewMail, message.addrCC, "CC");
      p.Line(110);
      AddRecipients(*objNewMail, message.addrBCC, "BCC");
    }
    p.Line(120);
    p.Log(" - Attachments");
    AddAttachments(*objNewMail, message.ATTACHMENTS);
    p.Line(130);
    p.Log(" - .Display");
    objNewMail->Display();
    p.Line(140);
    p.Exit();
    return true;
  });
}

// The first list of another shape ends the search with no, whatever the lists after it hold.
bool MailOutlookApplImpl::isThereARecipient(std::initializer_list<const Variant*> addressLists) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/isThereARecipient");
  return p.PassOn([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    std::int32_t position = 0;
    for (const Variant* addresses : addressLists) {
      p.Line(30);
      switch (lists::ClassifyList(*addresses)) {
        case lists::ListShape::kArrayOfStrings: {
          const auto& items = *addresses->GetIf<StringArray>();
          p.Line(40);
          const std::int32_t lower = items.LBound();
          const std::int32_t upper = items.UBound();
          for (std::int64_t at = lower; at <= upper; ++at) {
            p.Line(50);
            if (!lists::IsBlank(items[static_cast<std::int32_t>(at)])) return true;
          }
          break;
        }
        case lists::ListShape::kSingleString:
          p.Line(60);
          if (!lists::IsBlank(*addresses->GetIf<std::string>())) return true;
          break;
        case lists::ListShape::kOther:
          p.Line(70);
          p.Log(" - Recipient " + std::to_string(position) + " did not resolve: ");
          return false;
      }
      ++position;
    }
    return false;
  });
}

void MailOutlookApplImpl::AddRecipients(MailItem& item, const Variant& addresses, const std::string& typeName) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/AddRecipients");
  p.PassOn([&] {
    lists::WalkList(p, addresses, {" - add recipient: ", " - Recipient " + typeName + " did not resolve: "},
                    [&](const std::string& address, std::int32_t) { AddRecipient(item, address, typeName); });
  });
}

// When Outlook refuses access to its recipients, the user is asked to add the address by hand and the
// item goes on to be displayed without it.
void MailOutlookApplImpl::AddRecipient(MailItem& item, const std::string& address, const std::string& typeName) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/AddRecipient");
  p.PassOn([&] {
    try {
      p.Line(10);
      p.Enter();
      p.Line(20);
      if (lists::IsBlank(address)) return;
      p.Line(30);
      p.Log(" - add recipient: " + address);
      p.Line(40);
      const Variant::Object added = platform::As<Recipients>(item.Recipients())->Add(address);
      p.Line(50);
      if (!added) {
        p.Log(" - Unable to add message recipient using address" + address);
      } else {
        p.Line(60);
        p.Log(" - Type " + typeName);
        p.Line(70);
        platform::As<Recipient>(added)->Type(RecipientTypeCode(typeName));
      }
      p.Line(80);
      p.Exit();
    } catch (const AutomationError& error) {
      if (error.number() != kRecipientAccessRefused) throw;
      p.Log("Access to Outlook Recipient Collection refused " + std::to_string(error.number()) + " " +
            error.description());
      platform_.message_box->Show(AccessRefusedPrompt(address), kAccessRefusedTitle);
    }
  });
}

void MailOutlookApplImpl::AddAttachments(MailItem& item, const Variant& attachments) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/AddAttachments");
  p.PassOn([&] {
    lists::WalkList(p, attachments,
                    {" - add attachment: ", " - Attachment " + TextForm(attachments) + " did not resolve: "},
                    [&](const std::string& path, std::int32_t index) { AddAttachment(item, path, index); });
    p.Line(70);
    p.Exit();
  });
}

void MailOutlookApplImpl::AddAttachment(MailItem& item, const std::string& path, std::int32_t index) {
  log::Procedure p(log_, "MailOutlookAppl/SendMail/AddAttachment");
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
    p.Line(40);
    if (files.FileExists(path)) {
      p.Line(50);
      // Both lengths are read afresh: an attachment added before may have changed the bodies.
      const std::int64_t bodyLength = platform::Utf8Characters(item.Body());
      const std::int64_t htmlBodyLength = platform::Utf8Characters(item.HTMLBody());
      // A Long: a position past the largest one overflows, as the runtime's arithmetic does.
      const std::int64_t position = LargestOf({bodyLength, htmlBodyLength}) + index + 1;
      if (position > INT32_MAX) throw RuntimeError(error_number::kOverflow);
      p.Line(60);
      const Variant::Object added =
          platform::As<Attachments>(item.Attachments())
              ->Add(path, kOlByValue, static_cast<std::int32_t>(position), files.GetFileName(path));
      p.Line(70);
      if (!added) {
        p.Log(" - Unable to create attachment object");
        return;
      }
      // Held as an attachment: any other object is a type mismatch.
      platform::As<Attachment>(added);
    } else {
      p.Line(80);
      p.Log(" - Attachment does not exist: " + path);
    }
    p.Line(90);
    p.Exit();
  });
}

}  // namespace outlook

MailOutlookAppl::MailOutlookAppl(Platform platform)
    : impl_(std::make_unique<outlook::MailOutlookApplImpl>(platform::Completed(std::move(platform)))) {}
MailOutlookAppl::~MailOutlookAppl() = default;
MailOutlookAppl::MailOutlookAppl(MailOutlookAppl&&) noexcept = default;
MailOutlookAppl& MailOutlookAppl::operator=(MailOutlookAppl&&) noexcept = default;

void MailOutlookAppl::Context(std::shared_ptr<ApplicationContext> conObj) { impl_->Context(std::move(conObj)); }
std::string MailOutlookAppl::GetLog() const { return impl_->GetLog(); }
bool MailOutlookAppl::OpenSession() { return impl_->OpenSession(); }
bool MailOutlookAppl::CloseSession() { return impl_->CloseSession(); }
bool MailOutlookAppl::Send(const Message& message) { return impl_->Send(message); }

}  // namespace quorvel

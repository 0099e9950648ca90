#include "quorvel/mail_eudora.h"

#include "lists/list_shape.h"
#include "lists/string_array_var.h"
#include "log/context_access.h"
#include "log/procedure.h"
#include "platform/file_system.h"
#include "platform/program_start.h"
#include "platform/registry_operations.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "platform/temp_file_names.h"

namespace quorvel {
namespace eudora {

namespace {
constexpr log::TrailStyle kEudoraTrail{" - Entry", log::ErrorCodeForm::kDecimal};
constexpr lists::FlatteningStyle kEudoraFlattening{"; ", true, "Quorvel/MailEudora/StringArrayVar"};
constexpr const char* kSendTag = "Quorvel/MailEudora/Send";
constexpr const char* kCommandKey = "Software\\Clients\\Mail\\Eudora\\shell\\open\\command";
constexpr const char* kMessageFilePrefix = "Quorvel.msg";

// What the facade records once a send by this route has been confirmed.
constexpr const char* kSettingsSection = "Email";
constexpr const char* kEudoraCarrier = "Eudora Command Line";

constexpr std::int32_t kOkOnly = 0;
constexpr std::int32_t kYesNo = 4;
constexpr std::int32_t kAnswerYes = 6;
}  // namespace

// The provider itself; MailEudora is its public face.
class MailEudoraImpl {
 public:
  explicit MailEudoraImpl(Platform platform);

  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  std::string GetLog() const;
  bool Send(const Message& message);

 private:
  std::string StringArrayVar(const std::string& prefix, const Variant& list);
  void LogLine(std::string_view message);

  std::string MessageText(const Message& message);
  std::string MessageFilePath();
  void WriteMessageFile(const std::string& path, const std::string& text);
  bool ConfirmWithUser(bool hasAttachments, const std::string& carrier, const std::string& attachmentsRecorded);

  Platform platform_;
  log::SessionLog log_;
  std::shared_ptr<ApplicationContext> context_;
};

MailEudoraImpl::MailEudoraImpl(Platform platform)
    : platform_(std::move(platform)), log_(platform_.clock, kEudoraTrail) {}

void MailEudoraImpl::SetApplicationContext(std::shared_ptr<ApplicationContext> appContext) {
  context_ = std::move(appContext);
}

std::string MailEudoraImpl::GetLog() const { return log_.GetLog(); }

void MailEudoraImpl::LogLine(std::string_view message) { log_.LogLine(message); }

std::string MailEudoraImpl::StringArrayVar(const std::string& prefix, const Variant& list) {
  return lists::StringArrayVar(
      kEudoraFlattening, [this](std::string_view line) { LogLine(line); }, prefix, list);
}

bool MailEudoraImpl::Send(const Message& message) {
  log::Procedure p(log_, kSendTag);
  return p.Keep([&] {
    p.Line(10);
    p.Enter();
    p.Line(20);
    const std::string command = TextForm(platform::MRegistryOperations::RegQueryValue(
        *platform_.services->registry, platform::kHkeyLocalMachine, kCommandKey, ""));
    p.Line(30);
    LogLine("Eudora path: " + command);
    p.Line(40);
    const std::string text = MessageText(message);
    p.Line(50);
    LogLine(text);
    p.Line(60);
    const std::string path = MessageFilePath();
    p.Line(70);
    LogLine("Write: " + path);
    p.Line(80);
    WriteMessageFile(path, text);
    p.Line(90);
    LogLine("Shell: " + command + " " + path);
    p.Line(100);
    platform_.services->programs->StartCommandLine(command + " " + path);
    p.Line(110);
    platform::SettingsStore& settings = *platform_.services->settings;
    const std::string carrier =
        settings.GetSetting(RequireContext(context_).ApplicationName(), kSettingsSection, "Carrier", "");
    const std::string attachments_recorded =
        settings.GetSetting(RequireContext(context_).ApplicationName(), kSettingsSection, "Attachments", "");
    p.Line(120);
    const bool has_attachments = !lists::IsBlank(StringArrayVar("", message.ATTACHMENTS));
    p.Line(130);
    const bool result = ConfirmWithUser(has_attachments, carrier, attachments_recorded);
    p.Line(140);
    p.Exit();
    return result;
  });
}

// Seven rows: the headers, an empty line, and the body trimmed of blanks with no line end after it.
std::string MailEudoraImpl::MessageText(const Message& message) {
  std::string text = StringArrayVar("To: ", message.addrTO) + "\r\n";
  text += "From: \r\n";
  text += "Subject: " + message.Subject + "\r\n";
  text += StringArrayVar("Cc: ", message.addrCC) + "\r\n";
  text += StringArrayVar("Bcc: ", message.addrBCC) + "\r\n";
  text += StringArrayVar("X-Attachments: ", message.ATTACHMENTS) + "\r\n\r\n";
  text += lists::TrimSpaces(message.Body);
  return text;
}

// The new temp file's name with its extension changed to "msg".
std::string MailEudoraImpl::MessageFilePath() {
  const std::string temp_name =
      TextForm(platform::MWindowsTempFolder::CreateTempFileName(*platform_.services->temp_folder, kMessageFilePrefix));
  const auto dot = temp_name.rfind('.');
  // Without a dot the path would be a bare "msg" in whatever folder is current: refuse it.
  if (dot == std::string::npos) {
    const std::string cause =
        temp_name.empty() ? platform_.services->temp_folder->LastFailure() : "\"" + temp_name + "\" has no extension";
    throw RuntimeError(error_number::kPathFileAccessError, "no temporary file name for the message: " + cause);
  }
  return temp_name.substr(0, dot + 1) + "msg";
}

void MailEudoraImpl::WriteMessageFile(const std::string& path, const std::string& text) {
  auto stream = platform_.services->file_system->OpenTextFile(path, platform::io_mode::kForWriting, true,
                                                              platform::text_format::kAscii);
  stream->Write(text);
  stream->Close();
}

bool MailEudoraImpl::ConfirmWithUser(bool hasAttachments, const std::string& carrier,
                                     const std::string& attachmentsRecorded) {
  ApplicationContext& context = RequireContext(context_);
  const bool confirmed_before = carrier == kEudoraCarrier && (!hasAttachments || attachmentsRecorded == "Yes");
  if (confirmed_before) {
    context.MsgBox("There is a mail item in your Eudora output mailbox", kOkOnly, "Send mail by Eudora");
    return true;
  }
  const std::string question =
      hasAttachments ? LibraryDisplayTitle() +
                           " should have created an email message in the outbox of Eudora\r\n"
                           "with at least one attachment.\r\n\r\n"
                           "Please confirm it is there with an attachment by answering Yes, if not answer No"
                     : LibraryDisplayTitle() +
                           " should have created an email message in the outbox of Eudora.\r\n\r\n"
                           "Please confirm it is there by answering Yes, if not answer No";
  return context.MsgBox(question, kYesNo, "Eudora Email") == kAnswerYes;
}

}  // namespace eudora

MailEudora::MailEudora(Platform platform)
    : impl_(std::make_unique<eudora::MailEudoraImpl>(platform::Completed(std::move(platform)))) {}
MailEudora::~MailEudora() = default;
MailEudora::MailEudora(MailEudora&&) noexcept = default;
MailEudora& MailEudora::operator=(MailEudora&&) noexcept = default;

void MailEudora::SetApplicationContext(std::shared_ptr<ApplicationContext> appContext) {
  impl_->SetApplicationContext(std::move(appContext));
}
std::string MailEudora::GetLog() const { return impl_->GetLog(); }
bool MailEudora::Send(const Message& message) { return impl_->Send(message); }

}  // namespace quorvel

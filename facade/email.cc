#include "quorvel/email.h"

#include <utility>

#include "facade/email_impl.h"
#include "log/context_access.h"
#include "platform/operation_scope.h"
#include "platform/registry_operations.h"
#include "platform/services.h"

namespace quorvel {
namespace facade {

namespace registry = platform::MRegistryOperations;

EmailImpl::EmailImpl(Platform platform) : platform_(std::move(platform)), trail_(platform_.clock) {}

void EmailImpl::AlternateAttachmentMessage(std::string message) { alternate_attachment_message_ = std::move(message); }

void EmailImpl::SetApplicationContext(std::shared_ptr<ApplicationContext> appContext) {
  trail_.SetContext(std::move(appContext));
  SetLibraryDisplayTitle(RequireContext(trail_.context()).ApplicationName());
}

void EmailImpl::ClientToUse(std::string client) { client_to_use_ = std::move(client); }

bool EmailImpl::GetMailClients(StringArray& clientList, std::string& defaultClient) {
  const platform::OperationScope operation;  // the list and the default from one desktop
  log::FacadeProcedure p(trail_, "Quorvel/EMail/GetMailClients");
  bool result = false;
  p.Trap([&] {
    p.Log(" - Entry");
    StringArray names;
    if (registry::RegGetKeys(*platform_.services->registry, platform::kHkeyLocalMachine, kMailClientsKey, names)) {
      LogLine("HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail");
      for (std::int32_t index = 0; index <= names.UBound(); ++index) LogLine(" - " + names[index]);
      clientList = names;
      const std::string default_name = TextForm(
          registry::RegQueryValue(*platform_.services->registry, platform::kHkeyLocalMachine, kMailClientsKey, ""));
      LogLine("Default Client: " + default_name);
      defaultClient = default_name;
      result = true;
    }
    p.Log(" - Normal exit");
  });
  return result;
}

void EmailImpl::LogLine(std::string_view message) { trail_.LogLine(message); }

void EmailImpl::LogLine(log::MessageParts message) { trail_.LogLine(message); }

}  // namespace facade

Email::Email(Platform platform)
    : impl_(std::make_unique<facade::EmailImpl>(platform::Completed(std::move(platform)))) {}
Email::~Email() = default;
Email::Email(Email&&) noexcept = default;
Email& Email::operator=(Email&&) noexcept = default;

void Email::AlternateAttachmentMessage(std::string message) { impl_->AlternateAttachmentMessage(std::move(message)); }
void Email::SetApplicationContext(std::shared_ptr<ApplicationContext> appContext) {
  impl_->SetApplicationContext(std::move(appContext));
}
void Email::ClientToUse(std::string client) { impl_->ClientToUse(std::move(client)); }
const SendOutcome& Email::LastSendOutcome() const { return impl_->LastSendOutcome(); }
bool Email::GetMailClients(StringArray& clientList, std::string& defaultClient) {
  return impl_->GetMailClients(clientList, defaultClient);
}
bool Email::Send(const Message& message) { return impl_->Send(message); }

}  // namespace quorvel

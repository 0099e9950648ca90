#include "quorvel/email.h"

#include <utility>

#include "platform/registry_operations.h"

namespace quorvel {

namespace {
constexpr const char* kMailClientsKey = "Software\\Clients\\Mail";
}  // namespace

namespace registry = platform::MRegistryOperations;

Email::Email(Platform platform) : platform_(std::move(platform)), trail_(platform_.clock) {}

void Email::AlternateAttachmentMessage(std::string message) { alternate_attachment_message_ = std::move(message); }

void Email::SetApplicationContext(std::shared_ptr<ApplicationContext> appContext) {
  trail_.SetContext(std::move(appContext));
  SetLibraryDisplayTitle(RequireContext(trail_.context()).ApplicationName());
}

void Email::ClientToUse(std::string client) { client_to_use_ = std::move(client); }

bool Email::GetMailClients(StringArray& clientList, std::string& defaultClient) {
  trail::FacadeProcedure p(trail_, "Quorvel/EMail/GetMailClients");
  bool result = false;
  p.Trap([&] {
    p.Log(" - Entry");
    StringArray names;
    if (registry::RegGetKeys(*platform_.registry, platform::kHkeyLocalMachine, kMailClientsKey, names)) {
      LogLine("HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail");
      for (std::int32_t index = 0; index <= names.UBound(); ++index) LogLine(" - " + names[index]);
      clientList = names;
      const std::string default_name =
          TextForm(registry::RegQueryValue(*platform_.registry, platform::kHkeyLocalMachine, kMailClientsKey, ""));
      LogLine("Default Client: " + default_name);
      defaultClient = default_name;
      result = true;
    }
    p.Log(" - Normal exit");
  });
  return result;
}

void Email::LogLine(std::string_view message) { trail_.LogLine(message); }

}  // namespace quorvel

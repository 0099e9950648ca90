// The facade itself; Email is its public face. The library's own parts (and its tests) reach the
// steps that Email keeps private here.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "log/facade_trail.h"
#include "platform/services.h"
#include "platform/shell.h"
#include "quorvel/application_context.h"
#include "quorvel/message.h"
#include "quorvel/platform.h"
#include "quorvel/send_outcome.h"
#include "quorvel/variant.h"

namespace quorvel::facade {

inline constexpr const char* kMailClientsKey = "Software\\Clients\\Mail";

class EmailImpl {
 public:
  explicit EmailImpl(Platform platform);

  void AlternateAttachmentMessage(std::string message);
  void SetApplicationContext(std::shared_ptr<ApplicationContext> appContext);
  void ClientToUse(std::string client);
  bool GetMailClients(StringArray& clientList, std::string& defaultClient);
  // Hands the message to the default (or chosen) client's provider, else to the mailto: fallback.
  bool Send(const Message& message);
  const SendOutcome& LastSendOutcome() const { return outcome_; }

  // The fallback: a mailto: URL composed from the message, handed to the desktop's handler.
  bool MailTo(const Message& message);

 private:
  void RecordOpening(const platform::Opening& opening, const Message& message);
  void LogLine(std::string_view message);
  void LogLine(log::MessageParts message);
  std::string StringArrayVar(const std::string& prefix, const Variant& list);

  // The client the message goes to, or none (the reason logged) when Send must fall back at once.
  std::optional<std::string> ClientToSendWith(log::FacadeProcedure& p);
  void TakeRoute(SendRoute route, std::string client);
  // Send's routes; each sets result as it goes, so that an error leaves it as it stood.
  void SendByOutlookCdo(const std::string& client, const Message& message, bool& result);
  void SendByOutlookApplication(const std::string& client, const Message& message, bool& result);
  void SendByEudora(const Message& message, bool& result);
  void SendByMapi(const std::string& client, const Message& message, bool& result);
  std::string DefaultMessagingProfile();
  void RecordDelivery(const std::string& carrier, const Message& message, bool& result);
  void ShowNetscapeAdvice();

  // Every provider is made over the platform this Email was made with.
  template <class Provider>
  Provider CreateProvider() const {
    return Provider(platform_);
  }

  Platform platform_;
  log::FacadeTrail trail_;
  std::optional<std::string> client_to_use_;
  std::string alternate_attachment_message_;
  SendOutcome outcome_;
};

}  // namespace quorvel::facade

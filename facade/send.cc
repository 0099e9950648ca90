// Email's Send: which client carries the message, and the route that reaches it. Whenever the
// route's provider cannot open or send, the mailto: fallback still gives the user a prepared message.
#include <algorithm>
#include <cctype>

#include "facade/email_impl.h"
#include "lists/list_shape.h"
#include "log/context_access.h"
#include "platform/operation_scope.h"
#include "platform/registry_operations.h"
#include "platform/settings_store.h"
#include "platform/version_probe.h"
#include "quorvel/mail_eudora.h"
#include "quorvel/mail_mapi.h"
#include "quorvel/mail_ms_outlook.h"
#include "quorvel/mail_outlook_appl.h"

namespace quorvel::facade {

namespace {
namespace registry = platform::MRegistryOperations;
namespace windows = platform::MGetWindowsVersion;

constexpr const char* kSettingsSection = "Email";
constexpr const char* kWin9xProfilesKey = "Software\\Microsoft\\Windows Messaging Subsystem\\Profiles";
constexpr const char* kWinNtProfilesKey =
    "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging Subsystem\\Profiles";
constexpr const char* kNetscapeAdvice =
    "To enable Email support in Netscape:\r\n"
    "\r\n"
    "In Netscape go to the menu item Edit, Preferences then click on\r\n"
    "'mail and newsgroups'. On the bottom right there is an option\r\n"
    "'Use Netscape Messenger from MAPI based applications'. Enable\r\n"
    "this option and ";
constexpr const char* kNetscapeAdviceEnd =
    " should now be able to use Netscape\r\n"
    "for email.";

bool MentionsLotus(std::string name) {
  std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::tolower(c); });
  return name.find("lotus") != std::string::npos;
}
}  // namespace

bool EmailImpl::Send(const Message& message) {
  // The client list, the default and the sign-on all see one desktop.
  const platform::OperationScope operation;
  log::FacadeProcedure p(trail_, "Quorvel/EMail/Send");
  bool result = false;
  outcome_ = {};
  p.Trap([&] {
    p.Log(" - Entry");
    const std::optional<std::string> client = ClientToSendWith(p);
    if (!client) {
      TakeRoute(SendRoute::kMailTo, "");
      result = MailTo(message);
    } else if (*client == "Microsoft Outlook - CDO") {
      TakeRoute(SendRoute::kOutlookCdo, *client);
      SendByOutlookCdo(*client, message, result);
    } else if (*client == "Microsoft Outlook") {
      TakeRoute(SendRoute::kOutlookApplication, *client);
      SendByOutlookApplication(*client, message, result);
    } else if (*client == "Eudora") {
      TakeRoute(SendRoute::kEudora, *client);
      SendByEudora(message, result);
    } else if (*client == "Lotus Notes") {
      TakeRoute(SendRoute::kMailTo, *client);
      result = MailTo(message);  // no provider reaches Lotus Notes
    } else {
      TakeRoute(SendRoute::kSimpleMapi, *client);
      SendByMapi(*client, message, result);
    }
    p.Log(" - Normal Exit");
  });
  return result;
}

std::optional<std::string> EmailImpl::ClientToSendWith(log::FacadeProcedure& p) {
  StringArray clients;
  if (!registry::RegGetKeys(*platform_.services->registry, platform::kHkeyLocalMachine, kMailClientsKey, clients)) {
    p.Log(" - could not find the installed mail clients");
    return std::nullopt;
  }
  LogLine("HKEY_LOCAL_MACHINE\\Software\\Clients\\Mail");
  for (std::int32_t index = 0; index <= clients.UBound(); ++index) LogLine({" - ", clients[index]});
  std::string client = TextForm(
      registry::RegQueryValue(*platform_.services->registry, platform::kHkeyLocalMachine, kMailClientsKey, ""));
  LogLine({"Default Client: ", client});
  if (client.empty()) {
    p.Log(" - no default mail client located");
    return std::nullopt;
  }
  if (client_to_use_ && *client_to_use_ != "[System Default]" && !client_to_use_->empty()) {
    LogLine({"Default Client overridden by specified client: ", *client_to_use_});
    client = *client_to_use_;
  }
  if (MentionsLotus(client)) client = "Lotus Notes";
  return client;
}

void EmailImpl::TakeRoute(SendRoute route, std::string client) {
  outcome_.route = route;
  outcome_.client = std::move(client);
}

void EmailImpl::SendByOutlookCdo(const std::string& client, const Message& message, bool& result) {
  const std::string profile = DefaultMessagingProfile();
  MailMSOutlook outlook = CreateProvider<MailMSOutlook>();
  LogLine("Sending E-Mail by Microsoft Outlook profile '" + profile + "'");
  if (!outlook.OpenSession("", "", profile, "")) {
    LogLine(outlook.GetLog());
    result = MailTo(message);
    return;
  }
  if (outlook.Send(message)) {
    RecordDelivery(client + " profile: " + profile, message, result);
  } else {
    LogLine(outlook.GetLog());
    result = MailTo(message);
  }
  outlook.CloseSession();
}

void EmailImpl::SendByOutlookApplication(const std::string& client, const Message& message, bool& result) {
  MailOutlookAppl outlook = CreateProvider<MailOutlookAppl>();
  outlook.Context(trail_.context());
  LogLine("Sending E-Mail by Microsoft Outlook Application Object");
  if (!outlook.OpenSession()) {
    LogLine(outlook.GetLog());
    result = MailTo(message);
    return;
  }
  if (outlook.Send(message)) {
    RecordDelivery(client + " - Application Object", message, result);
  } else {
    LogLine(outlook.GetLog());
    result = MailTo(message);
  }
  outlook.CloseSession();
}

void EmailImpl::SendByEudora(const Message& message, bool& result) {
  MailEudora eudora = CreateProvider<MailEudora>();
  eudora.SetApplicationContext(trail_.context());
  LogLine("Sending E-Mail by Eudora using Command Line");
  if (eudora.Send(message)) {
    RecordDelivery("Eudora Command Line", message, result);
  } else {
    LogLine("* FAIL * Command Line Send Failure");
    LogLine(eudora.GetLog());
    result = MailTo(message);
  }
}

void EmailImpl::SendByMapi(const std::string& client, const Message& message, bool& result) {
  MailMAPI mapi = CreateProvider<MailMAPI>();
  mapi.DefaultMailClient(client);
  LogLine({"Sending E-Mail by ", client, " using MAPI"});
  if (!mapi.OpenSession("", "")) {
    LogLine("* FAIL * MAPI Open Session Failure");
    LogLine(mapi.GetLog());
    result = MailTo(message);
    return;
  }
  if (mapi.Send(message)) {
    outcome_.not_handed_over = mapi.NotHandedOver();
    RecordDelivery(client + " MAPI ", message, result);
  } else {
    LogLine("* FAIL * MAPI Send Failure");
    LogLine(mapi.GetLog());
    if (client == "Netscape Messenger") ShowNetscapeAdvice();
    result = MailTo(message);
  }
  mapi.CloseSession();
}

std::string EmailImpl::DefaultMessagingProfile() {
  platform::VersionSource& versions = *platform_.services->versions;
  std::string profiles_key;
  if (windows::IsWin95(versions) || windows::IsWin98(versions)) {
    profiles_key = kWin9xProfilesKey;
  } else if (windows::IsWinNT4(versions) || windows::IsWinME(versions) || windows::IsWinXP(versions) ||
             windows::IsWin2000(versions)) {
    profiles_key = kWinNtProfilesKey;
  }
  StringArray profiles;
  if (registry::RegGetKeys(*platform_.services->registry, platform::kHkeyCurrentUser, profiles_key, profiles)) {
    LogLine(" - HKEY_CURRENT_USER\\" + profiles_key);
    for (std::int32_t index = 0; index <= profiles.UBound(); ++index) LogLine(" - " + profiles[index]);
  }
  return TextForm(registry::RegQueryValue(*platform_.services->registry, platform::kHkeyCurrentUser, profiles_key,
                                          "DefaultProfile"));
}

void EmailImpl::RecordDelivery(const std::string& carrier, const Message& message, bool& result) {
  result = true;
  outcome_.opened = true;  // the provider has shown the message to the user
  ApplicationContext& context = RequireContext(trail_.context());
  platform_.services->settings->SaveSetting(context.ApplicationName(), kSettingsSection, "Carrier", carrier);
  // Only ever set: it records that files have gone out before, which a send without files does not undo.
  if (!lists::IsBlank(StringArrayVar("", message.ATTACHMENTS))) {
    platform_.services->settings->SaveSetting(context.ApplicationName(), kSettingsSection, "Attachments", "Yes");
  }
}

void EmailImpl::ShowNetscapeAdvice() {
  RequireContext(trail_.context())
      .MsgBox(kNetscapeAdvice + LibraryDisplayTitle() + kNetscapeAdviceEnd, 0, "Using Netscape for Email");
}

}  // namespace quorvel::facade

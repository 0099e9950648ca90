#include "providers/mapi/windows/simple_mapi.h"

#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi::simple_mapi {

namespace {
constexpr const char* kUnavailable = "Simple MAPI is not available on this system: ";
}  // namespace

SystemMapi::SystemMapi()
    : library_("mapi32.dll"),
      logon_(library_.Find<LogonCall>("MAPILogon")),
      send_mail_(library_.Find<SendMailCall>("MAPISendMailW")),
      logoff_(library_.Find<LogoffCall>("MAPILogoff")) {
  if (!library_.loaded()) {
    throw MapiError(mapi_error::kLoginFailure, kUnavailable + ("mapi32.dll did not load (" + library_.failure() + ")"));
  }
  if (!logon_ || !send_mail_ || !logoff_) {
    throw MapiError(mapi_error::kLoginFailure,
                    std::string(kUnavailable) + "mapi32.dll lacks MAPILogon, MAPISendMailW or MAPILogoff");
  }
}

Ulong SystemMapi::Logon(char* profileName, char* password, Ulong flags, SessionHandle& session) const {
  return logon_(0, profileName, password, flags, 0, &session);
}

Ulong SystemMapi::SendMail(SessionHandle session, MessageW& message, Ulong flags) const {
  return send_mail_(session, 0, &message, flags, 0);
}

Ulong SystemMapi::Logoff(SessionHandle session) const { return logoff_(session, 0, 0, 0); }

}  // namespace quorvel::mapi::simple_mapi

// The desktop's mail clients seen as HKEY_LOCAL_MACHINE\Software\Clients\Mail, from the desktop
// entries that handle x-scheme-handler/mailto as GIO finds them in the user's XDG data folders:
//
//   Mail                      unnamed value: the subkey name of the default handler's entry (REG_SZ)
//     <Name>\shell\open\command   unnamed value: the entry's Exec line without its field codes
//
// The entries and the default are the desktop's mailto: handlers by the rule of
// platform/linux/desktop_handlers.h, the one by which links are opened too, so the default is there
// whenever any client is.
//
// Subkeys are named by the entry's (localized) Name. Registry names ignore case, so two entries whose
// Names differ only in ASCII case count as the same name: the first in GIO's order keeps it, each
// later one gets " (<desktop id without .desktop>)" appended, e.g. "Mail" and "Mail (mail-nightly)".
// A backslash in a Name, which would split the key path, becomes '/'.
//
// Where messages go through the desktop's Email portal (providers/mapi/linux/email_portal.h: inside a Flatpak or
// Snap, or QUORVEL_COMPOSE=portal), the key holds one client, kPortalClientName, without a command,
// and it is the default.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/key_tree.h"
#include "platform/linux/glib_owners.h"
#include "providers/mapi/linux/compose_backends.h"

namespace quorvel::mapi {

struct NamedHandler {
  std::string name;  // the Mail key's subkey name
  platform::glib::Object<GAppInfo> info;
};

// The desktop's mail clients as one state of the desktop shows them: each part is worked out when
// first asked for.
class DesktopMailView {
 public:
  // The desktop's mailto: handlers in GIO's order, each under the name the Mail key gives it.
  const std::vector<NamedHandler>& Handlers();
  // The handler mailto: links open with (platform::DefaultHandlerFor); null when there is none.
  GAppInfo* DefaultHandler();
  // The Mail key's subtree for these handlers; null when there are none.
  const std::shared_ptr<const platform::RegKey>& MailKey();
  // One of these handlers (or the default) as the compose back-ends start it, its Exec line split once.
  MailHandler ComposeHandler(GAppInfo* info);

 private:
  std::optional<std::vector<NamedHandler>> handlers_;
  std::optional<platform::glib::Object<GAppInfo>> default_handler_;
  std::optional<std::shared_ptr<const platform::RegKey>> mail_key_;
  std::vector<std::pair<GAppInfo*, MailHandler>> compose_handlers_;
};

// This thread's view, kept across operations while GIO sees the desktop unchanged
// (platform::KeptWhileUnchanged, platform::DesktopChanges): a client installed between two sends is
// seen by the next operation once GIO has noticed the change (GIO's own listing is no fresher).
std::shared_ptr<DesktopMailView> KeptDesktopMailView();

// The Mail key's subtree; null when no launchable entry handles mailto. The same object while the
// desktop is unchanged, so that the registry can keep what it grafted it onto.
std::shared_ptr<const platform::RegKey> DesktopMailClients();

// An Exec line as a command: the field codes %f %F %u %U %d %D %n %N %i %c %k %v %m removed, "%%"
// made "%", and the blank a removed code leaves where it stood alone dropped, ends trimmed. Anything
// else, quoting and unknown codes included, stays as written.
std::string CommandWithoutFieldCodes(std::string_view exec);

}  // namespace quorvel::mapi

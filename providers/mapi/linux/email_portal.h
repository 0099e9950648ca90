// The compose back end for sandboxed hosts: the desktop's Email portal (org.freedesktop.portal.Email
// on the session bus). A Flatpak or Snap application can neither start host programs nor read the
// host's desktop entries, so there the portal is the only way to the user's mail client.
//
// The portal front end refuses a whole request for an address it does not like, a subject with a
// line feed or over 200 characters; its GTK back end turns the request into one mailto: URL for the
// default handler (subject and body percent-encoded, addresses and attachment paths as they are), and
// starts nothing when that URL passes the kernel's limit on one argument. It answers 0 once a client
// was started and 2 for every failure, without a reason. So everything it would refuse is refused
// here first, with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "providers/mapi/linux/compose_backends.h"

namespace quorvel::mapi {

// The one mail client the desktop-entry view lists where the portal carries the message.
inline constexpr const char* kPortalClientName = "Desktop Email Portal";

// Inside a Flatpak (/.flatpak-info) or a Snap (SNAP set), or on request: QUORVEL_COMPOSE=portal.
bool ComposeThroughPortal();

// QUORVEL_PORTAL_ATTACHMENTS=1: the user's mail client is known to take the portal's attachments.
bool PortalAttachmentsAllowed();

// The portal as SignOn found it.
struct EmailPortal {
  std::uint32_t version = 0;
};

// Asks the portal's Email interface for its version, starting the portal when the bus can. Raises
// 32003 with the reason when nothing answers.
EmailPortal FindEmailPortal();

// What ComposeEmail is asked for.
struct PortalRequest {
  std::vector<std::string> to{};
  std::vector<std::string> cc{};
  std::vector<std::string> bcc{};
  std::string subject{};
  std::string body{};
  std::vector<std::string> attachment_paths{};  // absolute
  bool operator==(const PortalRequest&) const = default;
};

// The request for a message, or, before anything reaches the portal:
//   32025 an address the portal refuses, once a display name is reduced to the bare address
//         ("Ann <ann@example.org>" -> "ann@example.org")
//   32026 a subject holding a line break; text that is not UTF-8; copies or several recipients for
//         a portal older than version 3; attachments unless allowed (the portal's clients drop them
//         without a word), or allowed but more than the bus carries in one message (16) or with a
//         path the mailto: URL would misread (& # ? %)
//   32018 a subject over 200 characters; a message whose URL would pass the argument limit
PortalRequest PortalRequestFor(const EmailPortal& portal, const ComposedMessage& message, bool attachmentsAllowed);

// Calls ComposeEmail (attachments opened read-only) and waits for the answer. Raises 32002 naming
// what was asked when the portal refuses, fails or does not answer; 32011 for an attachment that
// cannot be opened for reading; 32001 when the user cancelled.
void ComposeByPortal(const EmailPortal& portal, const PortalRequest& request);

}  // namespace quorvel::mapi

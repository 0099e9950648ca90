// What became of one Email.Send, beside the answer it gives: the route it took, whether anything was
// opened for the user, and what did not reach the mail client. A host decides from it what to tell
// the user; the log trail says the same at length.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "quorvel/export.h"

namespace quorvel {

enum class SendRoute {
  kNone,                // Send stopped (an error) before it chose a route
  kSimpleMapi,          // the client's own compose window through Simple MAPI
  kEudora,              // Eudora's message file and command line
  kOutlookCdo,          // Outlook's Collaboration Data Objects
  kOutlookApplication,  // Outlook's own automation object
  kMailTo,              // straight to a mailto: link (no client known, or Lotus Notes)
};

// The route's name where a program reads it: "none", "simple-mapi", "eudora", "outlook-cdo",
// "outlook-application", "mailto".
QUORVEL_EXPORT const char* RouteName(SendRoute route);

struct SendOutcome {
  SendRoute route = SendRoute::kNone;
  // The client the route was for, as the mail clients' list names it; empty when none was known.
  std::string client{};
  // The message went to the desktop as a mailto: link, at once or after the route failed.
  bool fell_back = false;
  // A client, or the desktop's mailto: handler, was started and did not end with a failure at once.
  bool opened = false;
  // Why nothing was opened, in one phrase ("no mail client is set up to open mailto: links");
  // empty when something was.
  std::string not_opened_because{};
  // The exit status of a client or handler that ended with a failure at once.
  std::optional<int> exit_status{};
  // Each part of the message that did not reach the client, with why, in one phrase each
  // ("the BCC recipients: Sylpheed takes none from another program").
  std::vector<std::string> not_handed_over{};
};

}  // namespace quorvel

// How a composed message reaches the user's mail client on Linux: as the command line of the
// client's own program where that program takes the message (attachments included), else as a
// mailto: link the desktop opens.
//
// Which way is chosen by the name of the handler's program (its last path component):
//
//   Thunderbird  (thunderbird icedove betterbird seamonkey)
//                -compose "to='..',cc='..',bcc='..',subject=..,body=..,attachment='<file URLs>',format=text"
//   Evolution    mailto:..?cc=..&bcc=..&subject=..&body=..&attach=<file URL>&attach=..
//   KMail        --composer --subject S --body B --cc .. --bcc .. --attach <file URL>.. -- <to>..
//   Claws Mail   (claws-mail sylpheed)  --compose mailto:..?cc=..&subject=..&body=.. --attach <path>..
//   any other    the mailto: link through the desktop, without attachments
//
// Texts are passed as given: no line-break conversion, CR LF stays CR LF (percent-encoded where the
// form encodes). Relative attachment paths are taken from the current folder, as the started
// program would take them.
#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace quorvel::mapi {

struct ComposedMessage {
  std::string subject{};
  std::string note_text{};
  std::vector<std::string> to{};
  std::vector<std::string> cc{};
  std::vector<std::string> bcc{};
  std::vector<std::string> attachment_paths{};
};

// Start this program (argv[0], as the handler names it) with these arguments.
struct ProgramLaunch {
  std::vector<std::string> argv;
  bool operator==(const ProgramLaunch&) const = default;
};

// Hand this mailto: URL to the desktop's handler for it.
struct DesktopHandOff {
  std::string url;
  bool operator==(const DesktopHandOff&) const = default;
};

using ComposeLaunch = std::variant<ProgramLaunch, DesktopHandOff>;

// What to start for the handler's program. Raises, before anything is started:
//   32025 "Invalid recipients"   a Thunderbird recipient that its quoted list cannot carry (one
//                                holding "'," or ending in "'")
//   32026 "Not supported"        attachments for a client reached only by a mailto: link
//   32018 "Text too large"       an argument or URL longer than kLargestArgument
//   32011 "Attachment not found" an attachment path that names no file the system can address
ComposeLaunch ComposeLaunchFor(const std::string& handlerProgram, const ComposedMessage& message);

// The message as a mailto: URL: To in the path, cc, bcc, subject and body as query fields, every
// byte outside the unreserved set percent-encoded (addresses keep their '@'). Fields left empty are
// left out. Attachments are not part of it.
std::string MailtoUrl(const ComposedMessage& message);

}  // namespace quorvel::mapi

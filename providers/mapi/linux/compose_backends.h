// How a composed message reaches the user's mail client on Linux: as the command line of the
// client's own program where that program takes the message (attachments included), else as a
// mailto: link the desktop opens.
//
// The client is recognised by its desktop entry's id, else by the application a "flatpak run" line
// names, else by the file name of the Exec line's program:
//
//   Thunderbird  -compose "to='..',cc='..',bcc='..',subject=..,message=<body file>,attachment='<URLs>',format=text"
//   Evolution    mailto:..?cc=..&bcc=..&subject=..&body=..&attach=<file URL>&attach=..
//   KMail        --composer --subject S --body B --cc .. --bcc .. --attach <file URL>.. -- <to>..
//   Claws Mail   --compose mailto:..?cc=..&bcc=..&subject=..&body=.. --attach <path>..
//   Sylpheed     --compose mailto:..?cc=..&subject=..&body=.. --attach <path>..  (no BCC recipients)
//   any other    the mailto: link through the desktop, without attachments
//
// and started the way its entry says: the Exec line's words with the client's arguments in place of
// its %u (or %U, %f, %F), or after them where it has none, other field codes dropped. A Flatpak
// entry's forwarding markers (@@u %u @@) give way to markers around each whole file argument, so the
// document portal hands the client those files. A part of the message a client's command line has no
// way to take is left out, and the launch says so.
//
// A client inside a Flatpak or Snap sees few of the host's files. Thunderbird's body file goes where
// its sandbox reads ($XDG_RUNTIME_DIR/app/<app id>/ or $XDG_RUNTIME_DIR/snap.<snap>/); an attachment
// reaches a Flatpak as a forwarded argument, and a Snap in the user's home folder outside hidden
// folders. Any other attachment is handed over as a copy in the folder the body file goes to; one
// that cannot be copied is refused rather than lost.
//
// No recipient, subject or attachment path may hold a control character (U+0000-U+001F, U+007F): one
// could end a field of the client's command line and start another (Thunderbird splits its -compose
// fields on U+0001; a NUL cuts an argument short). Subject and body otherwise pass unchanged to the
// clients that take them as arguments; a mailto: URL writes every line break of the body (CR LF, LF,
// CR) as %0D%0A. Relative attachment paths are taken from the current folder, as the started program
// would take them. Errors name the client by its entry's Name.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <variant>
#include <vector>

#include "providers/mapi/linux/body_files.h"

namespace quorvel::mapi {

// The mailto: handler as its desktop entry describes it.
struct MailHandler {
  std::string desktop_id;         // "thunderbird.desktop"
  std::string name;               // the entry's Name
  std::vector<std::string> exec;  // the Exec line's words, field codes still in them
};

struct ComposedMessage {
  std::string subject{};
  std::string_view note_text{};  // the body as the messages control keeps it, not copied again
  std::vector<std::string> to{};
  std::vector<std::string> cc{};
  std::vector<std::string> bcc{};
  std::vector<std::string> attachment_paths{};
};

// Start this program (argv[0], found on PATH unless it holds a slash) with these arguments.
// What the client could not be handed, one phrase a part, says what and why:
// "the BCC recipients: Sylpheed takes none from another program".
struct ProgramLaunch {
  std::vector<std::string> argv;
  std::vector<std::string> not_handed_over{};
  bool operator==(const ProgramLaunch&) const = default;
};

// Hand this mailto: URL to the desktop's handler for it.
struct DesktopHandOff {
  std::string url;
  bool operator==(const DesktopHandOff&) const = default;
};

using ComposeLaunch = std::variant<ProgramLaunch, DesktopHandOff>;

// Writes a body to a new private file in the folder and answers the file's path.
using BodyFileWriter = std::function<std::string(const std::string& folder, std::string_view body)>;

// Copies an attachment into the folder for a sandboxed client, as CopyAttachment does.
using AttachmentCopier = std::function<CopiedFile(const std::string& folder, const std::string& path)>;

// What to start for the handler. Raises, before anything is started:
//   32025 "Invalid recipients"   a recipient holding a control character, or a Thunderbird recipient
//                                that its quoted list cannot carry (one holding "'," or ending in "'")
//   32026 "Not supported"        a subject or attachment path holding a control character;
//                                attachments for a client reached only by a mailto: link; one a
//                                sandboxed client cannot read that cannot be copied for it
//   32018 "Text too large"       an argument or URL longer than kLargestArgument
//   32011 "Attachment not found" an attachment path that names no file the system can address
//   32002 "Unspecified failure"  a body file or copy that could not be written, or no folder a
//                                sandboxed client shares for it
// The files already written by then stay, to age out as providers/mapi/linux/body_files.h says.
ComposeLaunch ComposeLaunchFor(const MailHandler& handler, const ComposedMessage& message,
                               const BodyFileWriter& writeBody, const AttachmentCopier& copyAttachment);

// The message as a mailto: URL: To in the path, cc, bcc, subject and body as query fields, every
// byte outside the unreserved set percent-encoded (addresses keep their '@'), line breaks as %0D%0A.
// Fields left empty are left out. Attachments are not part of it.
std::string MailtoUrl(const ComposedMessage& message);

}  // namespace quorvel::mapi

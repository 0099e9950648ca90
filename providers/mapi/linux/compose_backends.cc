#include "providers/mapi/linux/compose_backends.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string_view>
#include <utility>

#include "platform/linux/glib_owners.h"
#include "platform/linux/shell.h"
#include "providers/mapi/linux/desktop_mail_clients.h"
#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi {

namespace {

using Strings = std::vector<std::string>;

using OwnedText = platform::glib::Text;

// What one piece of a client's command line carries.
enum class Field {
  kNothing,                   // the option alone, always
  kComposeFields,             // Thunderbird's key=value list, one argument
  kMailtoUrl,                 // the message as a mailto: URL, without attachments
  kMailtoUrlWithAttachments,  // the same with one attach=<file URL> field per attachment
  kSubject,                   // as given
  kBody,                      // as given
  kTo,                        // each To address
  kCcList,                    // the CC addresses joined by ", "
  kBccList,                   // the BCC addresses joined by ", "
  kAttachmentUrls,            // each attachment as a file: URL
  kAttachmentPaths,           // each attachment as an absolute path
};

enum class Layout {
  kOptionBeforeEach,  // --attach a --attach b
  kOptionThenAll,     // --attach a b
};

// An option and the field it introduces; a field with nothing to say leaves its option out too.
struct Piece {
  std::string_view option;
  Field field = Field::kNothing;
  Layout layout = Layout::kOptionBeforeEach;
};

// A part of the message that some client's command line has no way to take.
struct Part {
  std::string_view name;  // as the user is told of it
  Strings ComposedMessage::*items;
};
constexpr Part kBccRecipients{"the BCC recipients", &ComposedMessage::bcc};

struct ClientRow {
  Strings desktop_ids;  // as packages, Flatpak and Snap install the client
  Strings programs;     // the program's file name, for an entry with another id
  std::vector<Piece> pieces;
  std::vector<Part> not_taken{};
};

// The clients whose own command line takes a whole message, attachments included, as each one's
// --help documents it.
const std::vector<ClientRow>& ClientRows() {
  static const std::vector<ClientRow> rows{
      {{"thunderbird.desktop", "org.mozilla.Thunderbird.desktop", "net.thunderbird.Thunderbird.desktop",
        "thunderbird_thunderbird.desktop", "mozilla-thunderbird.desktop", "icedove.desktop"},
       {"thunderbird", "icedove", "betterbird", "seamonkey"},
       {{"-compose", Field::kComposeFields}}},
      {{"org.gnome.Evolution.desktop", "evolution.desktop"}, {"evolution"}, {{"", Field::kMailtoUrlWithAttachments}}},
      {{"org.kde.kmail2.desktop", "kmail.desktop"},
       {"kmail"},
       {{"--composer"},
        {"--subject", Field::kSubject},
        {"--body", Field::kBody},
        {"--cc", Field::kCcList},
        {"--bcc", Field::kBccList},
        {"--attach", Field::kAttachmentUrls},
        // After "--" an address starting with '-' is still an address.
        {"--", Field::kTo, Layout::kOptionThenAll}}},
      {{"claws-mail.desktop"},
       {"claws-mail"},
       {{"--compose", Field::kMailtoUrl}, {"--attach", Field::kAttachmentPaths, Layout::kOptionThenAll}}},
      // Its mailto: reader skips bcc=, and no option takes them.
      {{"sylpheed.desktop"},
       {"sylpheed"},
       {{"--compose", Field::kMailtoUrl}, {"--attach", Field::kAttachmentPaths, Layout::kOptionThenAll}},
       {kBccRecipients}},
  };
  return rows;
}

// Where the client runs, by its Exec line.
struct Confinement {
  enum class Kind { kNone, kFlatpak, kSnap };
  Kind kind = Kind::kNone;
  std::string app;              // the Flatpak application id, or the snap's name
  bool forwards_files = false;  // a Flatpak entry whose line forwards files (@@ … @@)
};

std::string FileName(const std::string& path) {
  const OwnedText name(g_path_get_basename(path.c_str()));
  return name.get();
}

bool IsForwardingMarker(const std::string& word) { return word == "@@" || word == "@@u"; }

Confinement ConfinementOf(const Strings& exec) {
  if (exec.empty()) return {};
  if (exec.size() > 2 && FileName(exec[0]) == "flatpak" && exec[1] == "run") {
    // flatpak run [--option=value…] <app id> [arguments…]
    const auto app =
        std::find_if(exec.begin() + 2, exec.end(), [](const std::string& w) { return !w.starts_with('-'); });
    if (app == exec.end()) return {};
    return {Confinement::Kind::kFlatpak, *app, std::any_of(app, exec.end(), IsForwardingMarker)};
  }
  // A snap's entry may start it through env NAME=value….
  auto program = exec.begin();
  if (FileName(*program) == "env") {
    program = std::find_if(program + 1, exec.end(), [](const std::string& w) {
      return !w.starts_with('-') && w.find('=') == std::string::npos;
    });
  }
  constexpr std::string_view kSnapPrograms = "/snap/bin/";
  if (program == exec.end() || !program->starts_with(kSnapPrograms)) return {};
  const std::string command = program->substr(kSnapPrograms.size());  // <snap> or <snap>.<app>
  return {Confinement::Kind::kSnap, command.substr(0, command.find('.'))};
}

std::string SandboxName(const Confinement& where) {
  return where.kind == Confinement::Kind::kFlatpak ? "Flatpak" : "Snap";
}

bool Contains(const Strings& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

const ClientRow* RowWithId(const std::string& desktopId) {
  for (const ClientRow& row : ClientRows()) {
    if (Contains(row.desktop_ids, desktopId)) return &row;
  }
  return nullptr;
}

const ClientRow* Recognise(const MailHandler& handler, const Confinement& where) {
  if (handler.exec.empty()) return nullptr;
  if (const ClientRow* row = RowWithId(handler.desktop_id)) return row;
  if (where.kind == Confinement::Kind::kFlatpak) {
    if (const ClientRow* row = RowWithId(where.app + ".desktop")) return row;
  }
  const std::string program = FileName(handler.exec.front());
  for (const ClientRow& row : ClientRows()) {
    if (Contains(row.programs, program)) return &row;
  }
  return nullptr;
}

// Every byte outside the unreserved set as %XX, NUL and non-ASCII bytes included.
std::string Percent(std::string_view text, const char* keep = nullptr) {
  const OwnedText escaped(g_uri_escape_bytes(reinterpret_cast<const guint8*>(text.data()), text.size(), keep));
  return escaped.get();
}

// Every line break as CR LF, as a mailto: URL carries them.
std::string WithCrLf(std::string_view text) {
  std::string converted;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' || text[i] == '\n') {
      converted += "\r\n";
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      converted += text[i];
    }
  }
  return converted;
}

std::string Join(const Strings& items, std::string_view separator) {
  std::string joined;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) joined += separator;
    joined += items[i];
  }
  return joined;
}

std::string AddressList(const Strings& addresses) {
  Strings escaped;
  for (const auto& address : addresses) escaped.push_back(Percent(WithCrLf(address), "@"));
  return Join(escaped, ",");
}

std::string AbsolutePath(const std::string& path) {
  if (g_path_is_absolute(path.c_str())) return path;
  const OwnedText absolute(g_canonicalize_filename(path.c_str(), nullptr));
  return absolute.get();
}

std::string FileUrl(const std::string& path) {
  const OwnedText url(g_filename_to_uri(AbsolutePath(path).c_str(), nullptr, nullptr));
  if (!url) throw MapiError(mapi_error::kAttachmentNotFound, path);
  return url.get();
}

Strings FileUrls(const ComposedMessage& message) {
  Strings urls;
  for (const auto& path : message.attachment_paths) urls.push_back(FileUrl(path));
  return urls;
}

std::string Mailto(const ComposedMessage& message, const Strings& attachmentUrls) {
  Strings fields;
  if (!message.cc.empty()) fields.push_back("cc=" + AddressList(message.cc));
  if (!message.bcc.empty()) fields.push_back("bcc=" + AddressList(message.bcc));
  if (!message.subject.empty()) fields.push_back("subject=" + Percent(WithCrLf(message.subject)));
  if (!message.note_text.empty()) fields.push_back("body=" + Percent(WithCrLf(message.note_text)));
  for (const auto& url : attachmentUrls) fields.push_back("attach=" + Percent(url));
  std::string url = "mailto:" + AddressList(message.to);
  if (!fields.empty()) url += "?" + Join(fields, "&");
  return url;
}

// A quoted value runs to the first "'," or to the end, so a recipient may hold neither that pair nor,
// since the next separator or the closing quote follows it, a final quote.
std::string QuotedRecipients(const std::string& client, const Strings& addresses) {
  for (const auto& address : addresses) {
    if (address.find("',") != std::string::npos || address.ends_with('\'')) {
      throw MapiError(mapi_error::kInvalidRecips, address + " cannot be handed to " + client);
    }
  }
  return "'" + Join(addresses, ",") + "'";
}

// The folder a client's body file goes to: one it can read from inside its sandbox.
std::string BodyFolder(const Confinement& where, const std::string& client) {
  if (where.kind == Confinement::Kind::kNone) return PrivateBodyFolder();
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (!runtime || runtime[0] != '/') {
    throw MapiError(mapi_error::kFailure, client + " runs in a " + SandboxName(where) +
                                              " sandbox, and without $XDG_RUNTIME_DIR no folder it reads is known");
  }
  return std::string(runtime) + (where.kind == Confinement::Kind::kFlatpak ? "/app/" : "/snap.") + where.app +
         "/quorvel";
}

// What the arguments are built from besides the message.
struct Composing {
  const std::string& client;
  const Confinement& where;
  const BodyFileWriter& write_body;
  const AttachmentCopier& copy_attachment;
};

// Thunderbird's key=value list: recipients quoted (taken literally); subject and the body file's path
// unquoted and percent-encoded (so no ',' or '\'' of theirs ends the value); file URLs quoted with
// their own ',' and '\'' encoded. The body goes through a file, so no body meets the argument limit.
std::string ComposeFields(const Composing& composing, const ComposedMessage& message) {
  Strings fields;
  if (!message.to.empty()) fields.push_back("to=" + QuotedRecipients(composing.client, message.to));
  if (!message.cc.empty()) fields.push_back("cc=" + QuotedRecipients(composing.client, message.cc));
  if (!message.bcc.empty()) fields.push_back("bcc=" + QuotedRecipients(composing.client, message.bcc));
  if (!message.subject.empty()) fields.push_back("subject=" + Percent(message.subject));
  if (!message.note_text.empty()) {
    const std::string body_file =
        composing.write_body(BodyFolder(composing.where, composing.client), message.note_text);
    fields.push_back("message=" + Percent(body_file, "/"));
  }
  if (!message.attachment_paths.empty()) {
    Strings urls;
    for (const auto& url : FileUrls(message)) {
      std::string safe;
      for (const char c : url) safe += c == ',' ? "%2C" : c == '\'' ? "%27" : std::string(1, c);
      urls.push_back(std::move(safe));
    }
    fields.push_back("attachment='" + Join(urls, ",") + "'");
  }
  fields.push_back("format=text");
  return Join(fields, ",");
}

// One argument of the client's; a file a sandbox must be handed says how it is named.
struct Argument {
  enum class File { kNo, kPath, kUrl };
  std::string text;
  File file = File::kNo;
};
using Arguments = std::vector<Argument>;

// The values a field contributes; none when it has nothing to say.
Arguments Values(const Composing& composing, Field field, const ComposedMessage& message) {
  const auto unless_empty = [](const std::string& text) { return text.empty() ? Arguments{} : Arguments{{text}}; };
  const auto each = [](const Strings& items, Argument::File kind) {
    Arguments arguments;
    for (const auto& item : items) arguments.push_back({item, kind});
    return arguments;
  };
  switch (field) {
    case Field::kNothing: return {};
    case Field::kComposeFields: return {{ComposeFields(composing, message)}};
    case Field::kMailtoUrl: return {{Mailto(message, {})}};
    case Field::kMailtoUrlWithAttachments: return {{Mailto(message, FileUrls(message))}};
    case Field::kSubject: return unless_empty(message.subject);
    case Field::kBody: return unless_empty(std::string(message.note_text));
    case Field::kTo: return each(message.to, Argument::File::kNo);
    case Field::kCcList: return unless_empty(Join(message.cc, ", "));
    case Field::kBccList: return unless_empty(Join(message.bcc, ", "));
    case Field::kAttachmentUrls: return each(FileUrls(message), Argument::File::kUrl);
    case Field::kAttachmentPaths: {
      Strings paths;
      for (const auto& path : message.attachment_paths) paths.push_back(AbsolutePath(path));
      return each(paths, Argument::File::kPath);
    }
  }
  return {};
}

Arguments ClientArguments(const ClientRow& row, const Composing& composing, const ComposedMessage& message) {
  Arguments arguments;
  for (const Piece& piece : row.pieces) {
    if (piece.field == Field::kNothing) {
      arguments.push_back({std::string(piece.option)});
      continue;
    }
    Arguments values = Values(composing, piece.field, message);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!piece.option.empty() && (i == 0 || piece.layout == Layout::kOptionBeforeEach)) {
        arguments.push_back({std::string(piece.option)});
      }
      arguments.push_back(std::move(values[i]));
    }
  }
  return arguments;
}

// The entry's Exec words with the client's arguments in place of the first %u, %U, %f or %F (after
// the words where there is none), every other field code dropped. In a Flatpak entry that forwards
// files, each file argument goes between markers of its own.
Strings LaunchArguments(const Strings& exec, const Confinement& where, Arguments arguments) {
  Strings argv;
  argv.reserve(exec.size() + arguments.size());  // all but a sandbox's forwarding markers
  bool placed = false;
  const auto place = [&] {
    for (Argument& argument : arguments) {
      const bool forwarded = where.forwards_files && argument.file != Argument::File::kNo;
      if (forwarded) argv.emplace_back(argument.file == Argument::File::kUrl ? "@@u" : "@@");
      argv.push_back(std::move(argument.text));
      if (forwarded) argv.emplace_back("@@");
    }
    placed = true;
  };
  for (const auto& word : exec) {
    if (where.kind == Confinement::Kind::kFlatpak && IsForwardingMarker(word)) continue;
    if (word == "%u" || word == "%U" || word == "%f" || word == "%F") {
      if (!placed) place();
      continue;
    }
    std::string kept = CommandWithoutFieldCodes(word);
    if (!kept.empty() || word.empty()) argv.push_back(std::move(kept));
  }
  if (!placed) place();
  return argv;
}

// A snap with the home interface reads the user's files outside hidden folders.
bool SnapReads(const std::string& path) {
  const char* home = std::getenv("HOME");
  if (!home || home[0] != '/') return false;
  const OwnedText canonical(g_canonicalize_filename(path.c_str(), nullptr));
  const std::string inside_home = std::string(home) + (std::string_view(home).ends_with('/') ? "" : "/");
  const std::string_view rest = canonical.get();
  return rest.starts_with(inside_home) && rest.find("/.", inside_home.size() - 1) == std::string_view::npos;
}

// The attachments as the client reads them: a sandboxed one reads a file forwarded to it or lying where
// it may read, and a copy of any other in the folder its body file goes to.
Strings ReadableAttachments(const ClientRow& row, const Composing& composing, const Strings& paths) {
  const Confinement& where = composing.where;
  const bool forwarded = where.forwards_files && std::any_of(row.pieces.begin(), row.pieces.end(), [](const Piece& p) {
                           return p.field == Field::kAttachmentUrls || p.field == Field::kAttachmentPaths;
                         });
  if (where.kind == Confinement::Kind::kNone || forwarded) return paths;
  Strings readable;
  for (const auto& path : paths) {
    if (where.kind == Confinement::Kind::kSnap && SnapReads(AbsolutePath(path))) {
      readable.push_back(path);
      continue;
    }
    const CopiedFile copy = composing.copy_attachment(BodyFolder(where, composing.client), path);
    if (!copy.why_not.empty()) {
      throw MapiError(mapi_error::kNotSupported, composing.client + " runs in a " + SandboxName(where) +
                                                     " sandbox and cannot read " + path + ", nor can it be copied (" +
                                                     copy.why_not + "); attach it in its compose window by hand");
    }
    readable.push_back(copy.path);
  }
  return readable;
}

// The message without the parts the row cannot take, each named in notHandedOver.
ComposedMessage WithoutPartsNotTaken(const ClientRow& row, const std::string& client, ComposedMessage message,
                                     Strings& notHandedOver) {
  for (const Part& part : row.not_taken) {
    Strings& items = message.*part.items;
    if (items.empty()) continue;
    items.clear();
    notHandedOver.push_back(std::string(part.name) + ": " + client + " takes none from another program");
  }
  return message;
}

bool IsControlCharacter(char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; }

// The value quoted, each control character written as \xNN so that it shows and ends no line.
std::string Shown(std::string_view value) {
  std::string shown = "\"";
  for (const char c : value) {
    if (!IsControlCharacter(c)) {
      shown += c;
      continue;
    }
    char code[5];
    std::snprintf(code, sizeof code, "\\x%02X", static_cast<unsigned>(c));
    shown += code;
  }
  return shown + "\"";
}

// A control character could end a field of the client's command line and start another, so a value
// holding one is refused. The body is not: it travels as a file, a percent-encoded field or an argument
// of its own.
void RequireNoControlCharacters(const std::string& client, const ComposedMessage& message) {
  const auto check = [&](std::int32_t number, std::string_view field, const std::string& value) {
    if (std::none_of(value.begin(), value.end(), IsControlCharacter)) return;
    throw MapiError(
        number, std::string(field) + " " + Shown(value) + " holds a control character and is not handed to " + client);
  };
  for (const Strings* recipients : {&message.to, &message.cc, &message.bcc}) {
    for (const auto& address : *recipients) check(mapi_error::kInvalidRecips, "the recipient", address);
  }
  check(mapi_error::kNotSupported, "the subject", message.subject);
  for (const auto& path : message.attachment_paths) check(mapi_error::kNotSupported, "the attachment path", path);
}

void CheckLength(const std::string& argument, const std::string& client) {
  if (argument.size() > platform::kLargestArgument) {
    throw MapiError(mapi_error::kTextTooLarge, "the message is longer than " + client + " takes on its command line");
  }
}

}  // namespace

std::string MailtoUrl(const ComposedMessage& message) { return Mailto(message, {}); }

ComposeLaunch ComposeLaunchFor(const MailHandler& handler, const ComposedMessage& message,
                               const BodyFileWriter& writeBody, const AttachmentCopier& copyAttachment) {
  const std::string client = handler.name.empty() ? std::string("the mail client") : handler.name;
  RequireNoControlCharacters(client, message);
  const Confinement where = ConfinementOf(handler.exec);
  if (const ClientRow* row = Recognise(handler, where)) {
    const Composing composing{client, where, writeBody, copyAttachment};
    ProgramLaunch launch;
    ComposedMessage handed = WithoutPartsNotTaken(*row, client, message, launch.not_handed_over);
    handed.attachment_paths = ReadableAttachments(*row, composing, message.attachment_paths);
    launch.argv = LaunchArguments(handler.exec, where, ClientArguments(*row, composing, handed));
    for (const auto& argument : launch.argv) CheckLength(argument, client);
    return launch;
  }
  if (!message.attachment_paths.empty()) {
    throw MapiError(
        mapi_error::kNotSupported,
        client + " cannot be handed attachments by another program; attach the files in its compose window by hand");
  }
  std::string url = MailtoUrl(message);
  CheckLength(url, client);
  return DesktopHandOff{std::move(url)};
}

}  // namespace quorvel::mapi

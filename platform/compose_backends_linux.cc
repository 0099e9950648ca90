#include "platform/compose_backends_linux.h"

#include <string_view>

#include "platform/glib_owners_linux.h"
#include "platform/mapi_controls.h"
#include "platform/shell_linux.h"

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

struct ClientRow {
  std::string_view client;
  Strings programs;
  std::vector<Piece> pieces;
};

// The clients whose own command line takes a whole message, attachments included, as each one's
// --help documents it.
const std::vector<ClientRow>& ClientRows() {
  static const std::vector<ClientRow> rows{
      {"Thunderbird", {"thunderbird", "icedove", "betterbird", "seamonkey"}, {{"-compose", Field::kComposeFields}}},
      {"Evolution", {"evolution"}, {{"", Field::kMailtoUrlWithAttachments}}},
      {"KMail",
       {"kmail"},
       {{"--composer"},
        {"--subject", Field::kSubject},
        {"--body", Field::kBody},
        {"--cc", Field::kCcList},
        {"--bcc", Field::kBccList},
        {"--attach", Field::kAttachmentUrls},
        // After "--" an address starting with '-' is still an address.
        {"--", Field::kTo, Layout::kOptionThenAll}}},
      {"Claws Mail",
       {"claws-mail", "sylpheed"},
       {{"--compose", Field::kMailtoUrl}, {"--attach", Field::kAttachmentPaths, Layout::kOptionThenAll}}},
  };
  return rows;
}

// Every byte outside the unreserved set as %XX, NUL and non-ASCII bytes included.
std::string Percent(std::string_view text, const char* keep = nullptr) {
  const OwnedText escaped(g_uri_escape_bytes(reinterpret_cast<const guint8*>(text.data()), text.size(), keep));
  return escaped.get();
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
  for (const auto& address : addresses) escaped.push_back(Percent(address, "@"));
  return Join(escaped, ",");
}

std::string AbsolutePath(const std::string& path) {
  if (path.find('\0') != std::string::npos) {
    throw MapiError(mapi_error::kAttachmentNotFound, path);
  }
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
  if (!message.subject.empty()) fields.push_back("subject=" + Percent(message.subject));
  if (!message.note_text.empty()) fields.push_back("body=" + Percent(message.note_text));
  for (const auto& url : attachmentUrls) fields.push_back("attach=" + Percent(url));
  std::string url = "mailto:" + AddressList(message.to);
  if (!fields.empty()) url += "?" + Join(fields, "&");
  return url;
}

// A quoted value runs to the first "'," or to the end, so a recipient may hold neither that pair nor,
// since the next separator or the closing quote follows it, a final quote.
std::string QuotedRecipients(std::string_view client, const Strings& addresses) {
  for (const auto& address : addresses) {
    if (address.find("',") != std::string::npos || address.ends_with('\'')) {
      throw MapiError(mapi_error::kInvalidRecips, address + " cannot be handed to " + std::string(client));
    }
  }
  return "'" + Join(addresses, ",") + "'";
}

// Thunderbird's key=value list: recipients quoted (taken literally), subject and body unquoted and
// percent-encoded (so no ',' or '\'' of theirs ends the value), file URLs quoted with their own ',' and
// '\'' encoded.
std::string ComposeFields(std::string_view client, const ComposedMessage& message) {
  Strings fields;
  if (!message.to.empty()) fields.push_back("to=" + QuotedRecipients(client, message.to));
  if (!message.cc.empty()) fields.push_back("cc=" + QuotedRecipients(client, message.cc));
  if (!message.bcc.empty()) fields.push_back("bcc=" + QuotedRecipients(client, message.bcc));
  if (!message.subject.empty()) fields.push_back("subject=" + Percent(message.subject));
  if (!message.note_text.empty()) fields.push_back("body=" + Percent(message.note_text));
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

// The values a field contributes; none when it has nothing to say.
Strings Values(const ClientRow& row, Field field, const ComposedMessage& message) {
  const auto unless_empty = [](const std::string& text) { return text.empty() ? Strings{} : Strings{text}; };
  switch (field) {
    case Field::kNothing: return {};
    case Field::kComposeFields: return {ComposeFields(row.client, message)};
    case Field::kMailtoUrl: return {Mailto(message, {})};
    case Field::kMailtoUrlWithAttachments: return {Mailto(message, FileUrls(message))};
    case Field::kSubject: return unless_empty(message.subject);
    case Field::kBody: return unless_empty(message.note_text);
    case Field::kTo: return message.to;
    case Field::kCcList: return unless_empty(Join(message.cc, ", "));
    case Field::kBccList: return unless_empty(Join(message.bcc, ", "));
    case Field::kAttachmentUrls: return FileUrls(message);
    case Field::kAttachmentPaths: {
      Strings paths;
      for (const auto& path : message.attachment_paths) paths.push_back(AbsolutePath(path));
      return paths;
    }
  }
  return {};
}

Strings Arguments(const ClientRow& row, const std::string& program, const ComposedMessage& message) {
  Strings argv{program};
  for (const Piece& piece : row.pieces) {
    if (piece.field == Field::kNothing) {
      argv.emplace_back(piece.option);
      continue;
    }
    const Strings values = Values(row, piece.field, message);
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (!piece.option.empty() && (i == 0 || piece.layout == Layout::kOptionBeforeEach)) {
        argv.emplace_back(piece.option);
      }
      argv.push_back(values[i]);
    }
  }
  return argv;
}

void CheckLength(const std::string& argument, std::string_view client) {
  if (argument.size() > platform::kLargestArgument) {
    throw MapiError(mapi_error::kTextTooLarge,
                    "the message is longer than " + std::string(client) + " takes on its command line");
  }
}

std::string ProgramName(const std::string& program) {
  const OwnedText name(g_path_get_basename(program.c_str()));
  return name.get();
}

}  // namespace

std::string MailtoUrl(const ComposedMessage& message) { return Mailto(message, {}); }

ComposeLaunch ComposeLaunchFor(const std::string& handlerProgram, const ComposedMessage& message) {
  const std::string name = handlerProgram.empty() ? std::string() : ProgramName(handlerProgram);
  for (const ClientRow& row : ClientRows()) {
    for (const auto& program : row.programs) {
      if (program != name) continue;
      Strings argv = Arguments(row, handlerProgram, message);
      for (const auto& argument : argv) CheckLength(argument, row.client);
      return ProgramLaunch{std::move(argv)};
    }
  }
  if (!message.attachment_paths.empty()) {
    throw MapiError(
        mapi_error::kNotSupported,
        (name.empty() ? std::string("the mail client") : name) +
            " cannot be handed attachments by another program; attach the files in its compose window by hand");
  }
  std::string url = MailtoUrl(message);
  CheckLength(url, "the mail client");
  return DesktopHandOff{std::move(url)};
}

}  // namespace quorvel::mapi

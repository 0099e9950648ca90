#include "tools/send_command.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "quorvel/email.h"
#include "quorvel/platform.h"
#include "tools/mailto_uri.h"

namespace quorvel::cli {

namespace {

// One entry is a text, more an array; none is the empty text.
Variant TextOrArray(const std::vector<std::string>& entries) {
  if (entries.empty()) return std::string();
  if (entries.size() == 1) return entries.front();
  return StringArray(0, entries);
}

void Append(std::vector<std::string>& list, const std::vector<std::string>& more) {
  list.insert(list.end(), more.begin(), more.end());
}

std::string ReadBodyFile(const std::string& path) {
  std::ostringstream text;
  if (path == "-") {
    text << std::cin.rdbuf();
    if (std::cin.bad()) throw UsageError("cannot read the body from standard input");
    return text.str();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file || std::filesystem::is_directory(path)) throw UsageError("cannot read the body file " + path);
  text << file.rdbuf();
  if (file.bad()) throw UsageError("cannot read the body file " + path);
  return text.str();
}

// An option and the URI may not both give the same text.
std::optional<std::string> OneOf(const std::optional<std::string>& option, const std::optional<std::string>& fromUri,
                                 const std::string& what) {
  if (option && fromUri) throw UsageError("the " + what + " is given both as an option and in the mailto: URI");
  return option ? option : fromUri;
}

// A line break or another control character in an address, the sender, the subject or a path ends
// that field early in what a client is handed (a header line of Eudora's message file, a field of
// Thunderbird's argument, the mailto: link), and the rest would be read as fields of its own. A body
// holds line breaks; only a NUL, which cuts the text short, is refused there.
bool IsControlCharacter(unsigned char c) { return c < 0x20 || c == 0x7f; }
bool IsNul(unsigned char c) { return c == 0; }

void Refuse(bool (*refused)(unsigned char), const std::string& field, const std::string& text) {
  const auto found = std::find_if(text.begin(), text.end(), [refused](unsigned char c) { return refused(c); });
  if (found == text.end()) return;
  // Counted in characters, not bytes: a UTF-8 continuation byte starts none.
  const auto position = 1 + std::count_if(text.begin(), found, [](unsigned char c) { return (c & 0xC0) != 0x80; });
  std::ostringstream message;
  message << field << " holds a control character (U+" << std::hex << std::uppercase << std::setfill('0')
          << std::setw(4) << int{static_cast<unsigned char>(*found)} << std::dec << ") at character " << position;
  throw UsageError(message.str());
}

void RefuseInEach(const std::string& field, const std::vector<std::string>& list) {
  for (std::size_t i = 0; i < list.size(); ++i) {
    Refuse(IsControlCharacter, field + " " + std::to_string(i + 1), list[i]);
  }
}

// Checked before anything is handed over: the client, opening the file as this user, could not attach it.
void CheckAttachmentReadable(const std::string& path) {
  if (::access(path.c_str(), R_OK) == 0) return;
  if (errno == EACCES) throw UnreadableAttachment("cannot read the attachment " + path + ": permission denied");
  throw UsageError("attachment not found: " + path);
}

}  // namespace

Message MessageFromOptions(const SendOptions& options) {
  std::vector<std::string> to = options.to;
  std::vector<std::string> cc = options.cc;
  std::vector<std::string> bcc = options.bcc;
  std::optional<MailtoUri> uri;
  for (const auto& argument : options.addresses_or_uri) {
    if (!IsMailtoUri(argument)) {
      to.push_back(argument);
      continue;
    }
    if (uri) throw UsageError("only one mailto: URI may be given");
    try {
      uri = ParseMailtoUri(argument);
    } catch (const InvalidMailtoUri& error) {
      throw UsageError("invalid mailto: URI " + argument + ": " + error.what());
    }
    Append(to, uri->to);
  }
  if (uri) {
    Append(cc, uri->cc);
    Append(bcc, uri->bcc);
  }
  if (options.body && options.body_file) throw UsageError("--body and --body-file cannot both be given");
  const std::optional<std::string> body_option =
      options.body_file ? std::optional(ReadBodyFile(*options.body_file)) : options.body;
  const std::string subject = OneOf(options.subject, uri ? uri->subject : std::nullopt, "subject").value_or("");
  const std::string body = OneOf(body_option, uri ? uri->body : std::nullopt, "body").value_or("");
  Refuse(IsControlCharacter, "the sender", options.from);
  RefuseInEach("To address", to);
  RefuseInEach("Cc address", cc);
  RefuseInEach("Bcc address", bcc);
  Refuse(IsControlCharacter, "the subject", subject);
  Refuse(IsNul, "the body", body);
  RefuseInEach("attachment", options.attachments);
  for (const auto& path : options.attachments) CheckAttachmentReadable(path);
  return Message{
      .From = options.from,
      .addrTO = TextOrArray(to),
      .addrCC = TextOrArray(cc),
      .addrBCC = TextOrArray(bcc),
      .Subject = subject,
      .Body = body,
      .ATTACHMENTS = TextOrArray(options.attachments),
      .Importance = options.importance,
      .HTMLFormat = options.html,
  };
}

bool RunSend(const SendOptions& options) {
  const Message message = MessageFromOptions(options);
  auto context = std::make_shared<ConsoleContext>(options.console, std::cerr);
  Platform platform = SystemPlatform();
  platform.message_box = std::make_shared<ConsoleMessageBox>(context);
  Email email(platform);
  email.SetApplicationContext(context);
  if (options.client) email.ClientToUse(*options.client);
  if (options.attachment_note) email.AlternateAttachmentMessage(*options.attachment_note);
  const bool sent = email.Send(message);
  StringArray clients;
  std::string default_client;
  // The mailto: fallback answers true whatever the desktop did with the link: say when nothing could take it.
  if (sent && !email.GetMailClients(clients, default_client)) {
    context->Tell("quorvel: no mail client is set up to open mailto: links; nothing was opened");
  }
  context->CheckLogWritten();
  return sent;
}

}  // namespace quorvel::cli

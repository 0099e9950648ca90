#include "tools/send_command.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "platform/console.h"
#include "quorvel/email.h"
#include "quorvel/platform.h"
#include "tools/mailto_uri.h"

namespace quorvel::tools {

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

std::string Joined(const std::vector<std::string>& items, const std::string& separator) {
  std::string joined;
  for (const auto& item : items) joined += (joined.empty() ? "" : separator) + item;
  return joined;
}

// The clients the mail clients' list names (read without a trail: the command's trail is Send's alone)
// and the desktop's own.
std::vector<std::string> InstalledClients() {
  std::ostream discarded(nullptr);
  Email lister;
  lister.SetApplicationContext(std::make_shared<ConsoleContext>(ConsoleSettings{}, discarded));
  StringArray registered;
  std::string default_client;
  std::vector<std::string> names;
  if (lister.GetMailClients(registered, default_client)) names = registered.items();
  for (auto& name : DesktopMailClientNames()) {
    if (std::find(names.begin(), names.end(), name) == names.end()) names.push_back(std::move(name));
  }
  return names;
}

// The client as ClientToUse takes it: no override, a Lotus name, or a client that is installed.
void RequireKnownClient(const std::string& client) {
  std::string lower = client;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  if (client.empty() || client == "[System Default]" || lower.find("lotus") != std::string::npos) return;
  const std::vector<std::string> installed = InstalledClients();
  if (std::find(installed.begin(), installed.end(), client) != installed.end()) return;
  throw UsageError("no mail client is named " + client +
                   (installed.empty() ? "; none is installed" : "; the installed ones: " + Joined(installed, ", ")));
}

void TellOutcome(ConsoleContext& context, const SendOutcome& outcome) {
  if (!outcome.opened && !outcome.not_opened_because.empty()) {
    context.Tell("quorvel: " + outcome.not_opened_because + "; nothing was opened");
  } else if (outcome.opened && !outcome.not_handed_over.empty()) {
    context.Tell("quorvel: did not reach the mail client: " + Joined(outcome.not_handed_over, "; "));
  }
}

void PrintOutcome(bool sent, const SendOutcome& outcome) {
  nlohmann::ordered_json json = {{"sent", sent},
                                 {"route", RouteName(outcome.route)},
                                 {"client", outcome.client},
                                 {"opened", outcome.opened},
                                 {"fell_back", outcome.fell_back},
                                 {"not_opened_because", outcome.not_opened_because},
                                 {"exit_status", nullptr},
                                 {"not_handed_over", outcome.not_handed_over}};
  if (outcome.exit_status) json["exit_status"] = *outcome.exit_status;
  std::cout << json.dump(2) << '\n';
}

int ExitStatus(bool sent, const SendOutcome& outcome) {
  if (outcome.opened) return send_status::kOpened;
  return sent ? send_status::kNothingOpened : send_status::kNotSent;
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
  switch (platform::CheckReadAccess(path)) {
    case platform::ReadAccess::kReadable: return;
    case platform::ReadAccess::kNotPermitted:
      throw UnreadableAttachment("cannot read the attachment " + path + ": permission denied");
    case platform::ReadAccess::kMissing: throw UsageError("attachment not found: " + path);
  }
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

int RunSend(const SendOptions& options) {
  const Message message = MessageFromOptions(options);
  const std::string client = options.client.value_or("");
  RequireKnownClient(client);
  auto context = std::make_shared<ConsoleContext>(options.console, std::cerr);
  // The named client is the mail system's own for this run, so the Simple MAPI route opens it too.
  Platform platform = SystemPlatform(client);
  platform.message_box = std::make_shared<ConsoleMessageBox>(context);
  Email email(platform);
  email.SetApplicationContext(context);
  if (options.client) email.ClientToUse(client);
  if (options.attachment_note) email.AlternateAttachmentMessage(*options.attachment_note);
  const bool sent = email.Send(message);
  TellOutcome(*context, email.LastSendOutcome());
  if (options.json) PrintOutcome(sent, email.LastSendOutcome());
  context->CheckLogWritten();
  return ExitStatus(sent, email.LastSendOutcome());
}

}  // namespace quorvel::tools

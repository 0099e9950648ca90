// Email's fallback route: the message as a mailto: URL for the desktop's default mail program.
// Nothing in the URL is escaped: addresses, subject and body go in as the host gave them, so that
// the URL reads the way the user's mail program has always been handed it.
#include "facade/email_impl.h"
#include "lists/list_shape.h"
#include "lists/string_array_var.h"
#include "platform/shell.h"

namespace quorvel::facade {

namespace {
constexpr lists::FlatteningStyle kEmailFlattening{",", false, "Quorvel/EMail/StringArrayVar"};
constexpr lists::FlatteningStyle kOutcomeFlattening{", ", false, ""};
constexpr const char* kAttachmentNoteLeadIn = "&Body=BEFORE SENDING PLEASE ATTACH THE SESSION LOG FILE: ";

// The first key of a URL follows "?", every later one "&".
void MarkFirstKey(std::string& url) {
  if (const auto ampersand = url.find('&'); ampersand != std::string::npos) url[ampersand] = '?';
}

std::string BodyPart(const std::string& leadIn, std::string_view trimmedBody) {
  if (trimmedBody.empty()) return leadIn;
  if (leadIn.empty()) return "&Body=" + std::string(trimmedBody);
  return leadIn + ".  " + std::string(trimmedBody);
}
// The attachments a link leaves behind, for the outcome alone: no trail line, no error.
std::string AttachmentsNamed(const Variant& attachments) {
  try {
    return lists::StringArrayVar(
        kOutcomeFlattening, [](std::string_view) {}, "", attachments);
  } catch (const AutomationError&) {
    return {};
  }
}

std::string WhyNothingOpened(const platform::Opening& opening) {
  if (opening.failed_with)
    return "the mailto: handler ended at once with exit status " + std::to_string(*opening.failed_with);
  switch (opening.answer) {
    case platform::shell_answer::kNoAssociation: return "no mail client is set up to open mailto: links";
    case platform::shell_answer::kOutOfResources: return "the mailto: link is longer than the desktop can hand over";
    default: return "the desktop could not start the mailto: handler";
  }
}
}  // namespace

std::string EmailImpl::StringArrayVar(const std::string& prefix, const Variant& list) {
  return lists::StringArrayVar(
      kEmailFlattening, [this](std::string_view line) { LogLine(line); }, prefix, list);
}

bool EmailImpl::MailTo(const Message& message) {
  log::FacadeProcedure p(trail_, "Quorvel/EMail/MailTo");
  bool result = false;
  p.Trap([&] {
    p.Log(" - Entry");
    std::string url = "mailto:" + StringArrayVar("", message.addrTO);
    if (!lists::IsBlank(message.Subject)) url += "&Subject=" + message.Subject;
    const std::string lead_in =
        alternate_attachment_message_.empty()
            ? std::string(lists::TrimSpaces(StringArrayVar(kAttachmentNoteLeadIn, message.ATTACHMENTS)))
            : "&Body=" + alternate_attachment_message_;
    url += BodyPart(lead_in, lists::TrimSpaces(message.Body));
    url += StringArrayVar("&CC=", message.addrCC);
    url += StringArrayVar("&BCC=", message.addrBCC);
    MarkFirstKey(url);
    p.Log(" " + url);
    // The desktop's answer does not change the result: the user sees a compose window or nothing,
    // either way the library has done what it can. The outcome tells the host which it was.
    RecordOpening(platform_.services->shell->OpenWatched(url), message);
    result = true;
    p.Log(" - Normal Exit");
  });
  return result;
}

void EmailImpl::RecordOpening(const platform::Opening& opening, const Message& message) {
  outcome_.fell_back = true;
  outcome_.opened = opening.answer > 32 && !opening.failed_with;
  outcome_.exit_status = opening.failed_with;
  outcome_.not_opened_because = outcome_.opened ? "" : WhyNothingOpened(opening);
  if (const std::string attachments = AttachmentsNamed(message.ATTACHMENTS); !lists::IsBlank(attachments)) {
    outcome_.not_handed_over.push_back("the attachments (" + attachments + "): a mailto: link carries no files");
  }
}

}  // namespace quorvel::facade

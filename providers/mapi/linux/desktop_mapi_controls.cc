#include "providers/mapi/linux/desktop_mapi_controls.h"

#include <gio/gdesktopappinfo.h>

#include <optional>

#include "platform/linux/desktop_handlers.h"
#include "platform/linux/shell.h"
#include "providers/mapi/linux/body_files.h"
#include "providers/mapi/linux/desktop_mail_clients.h"
#include "quorvel/error.h"

namespace quorvel::mapi {

namespace {

namespace glib = platform::glib;

// The desktop client of that name, else the handler the desktop opens mailto: links with (the same
// one the desktop shell seam starts), as the running operation sees them.
std::optional<MailHandler> MailSystemHandler(const std::string& name) {
  const std::shared_ptr<DesktopMailView> view = KeptDesktopMailView();
  if (!name.empty()) {
    for (const auto& named : view->Handlers()) {
      if (platform::EqualsIgnoringCase(named.name, name)) return view->ComposeHandler(named.info.get());
    }
  }
  GAppInfo* info = view->DefaultHandler();
  if (!info) return std::nullopt;
  return view->ComposeHandler(info);
}

std::string EndedAtOnce(const std::string& who, int status) {
  return who + " ended at once with exit status " + std::to_string(status);
}

AutomationError NoSession() { return MapiError(mapi_error::kNoSession); }

bool NamesFile(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos && g_file_test(path.c_str(), G_FILE_TEST_EXISTS);
}

}  // namespace

DesktopMapiSession::~DesktopMapiSession() {
  if (session_id_ != 0) sessions_->Remove(session_id_);
}

void DesktopMapiSession::SignOn() {
  MailRoute route;
  if (ComposeThroughPortal()) {
    route = FindEmailPortal();
  } else if (std::optional<MailHandler> handler = MailSystemHandler(mail_system_client_)) {
    route = std::move(*handler);
  } else {
    throw MapiError(mapi_error::kLoginFailure, "no mail client is set up to open mailto: links");
  }
  if (session_id_ != 0) sessions_->Remove(session_id_);
  session_id_ = sessions_->Add(std::move(route));
}

void DesktopMapiSession::SignOff() {
  if (session_id_ == 0) throw NoSession();
  sessions_->Remove(session_id_);
  session_id_ = 0;
}

void DesktopMapiMessages::Send(bool showDialog) {
  const std::optional<MailRoute> route = sessions_->Find(session_id_);
  if (!route) throw NoSession();
  not_handed_over_.clear();
  if (!showDialog) {
    throw MapiError(mapi_error::kNotSupported,
                    "a message is shown in the mail client's compose window, never sent unseen");
  }

  ComposedMessage composed{.subject = message_.subject(), .note_text = message_.note_text()};
  for (const Recipient& recipient : message_.recipients()) {
    if (recipient.address.empty()) continue;
    switch (recipient.type) {
      case recip_type::kCc: composed.cc.push_back(recipient.address); break;
      case recip_type::kBcc: composed.bcc.push_back(recipient.address); break;
      default: composed.to.push_back(recipient.address); break;
    }
  }
  for (const Attachment& attachment : message_.attachments()) {
    if (!NamesFile(attachment.path_name)) {
      throw MapiError(mapi_error::kAttachmentNotFound, attachment.path_name);
    }
    composed.attachment_paths.push_back(attachment.path_name);
  }

  if (const auto* portal = std::get_if<EmailPortal>(&*route)) {
    ComposeByPortal(*portal, PortalRequestFor(*portal, composed, PortalAttachmentsAllowed()));
    return;
  }
  const MailHandler& handler = std::get<MailHandler>(*route);
  Launch(handler, ComposeLaunchFor(handler, composed, WriteBodyFile, CopyAttachment));
}

void DesktopMapiMessages::Launch(const MailHandler& handler, const ComposeLaunch& launch) {
  if (const auto* program = std::get_if<ProgramLaunch>(&launch)) {
    std::optional<int> failed_with;
    try {
      failed_with = programs_->StartWatched(program->argv);
    } catch (const AutomationError& error) {
      throw MapiError(mapi_error::kFailure, handler.name + " could not be started (" + error.description() + ")");
    }
    if (failed_with) throw MapiError(mapi_error::kFailure, EndedAtOnce(handler.name, *failed_with));
    not_handed_over_ = program->not_handed_over;
    return;
  }
  // The link goes to the client signed on to, which need not be the desktop's default.
  const std::string& url = std::get<DesktopHandOff>(launch).url;
  const glib::Object<GAppInfo> own(
      handler.desktop_id.empty() ? nullptr : G_APP_INFO(g_desktop_app_info_new(handler.desktop_id.c_str())));
  const platform::Opening opening = own ? platform::OpenWith(own.get(), url, true) : shell_->OpenWatched(url);
  if (opening.answer <= 32) throw MapiError(mapi_error::kFailure, "the desktop did not open the mailto: link");
  if (opening.failed_with) throw MapiError(mapi_error::kFailure, EndedAtOnce(handler.name, *opening.failed_with));
}

void RegisterDesktopMapiControls(platform::AutomationServers& servers, std::shared_ptr<platform::Shell> shell,
                                 std::shared_ptr<platform::ProgramStarter> programs, std::string mailSystemClient) {
  auto sessions = std::make_shared<DesktopSessions>();
  servers.Register(kSessionProgId, [sessions, client = std::move(mailSystemClient)] {
    return std::make_shared<DesktopMapiSession>(sessions, client);
  });
  servers.Register(kMessagesProgId, [sessions, shell = std::move(shell), programs = std::move(programs)] {
    return std::make_shared<DesktopMapiMessages>(sessions, shell, programs);
  });
}

}  // namespace quorvel::mapi

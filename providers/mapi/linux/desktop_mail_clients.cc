#include "providers/mapi/linux/desktop_mail_clients.h"

#include <algorithm>
#include <set>

#include "platform/linux/desktop_handlers.h"
#include "platform/operation_scope.h"
#include "platform/registry.h"
#include "providers/mapi/linux/email_portal.h"

namespace quorvel::mapi {

namespace {

namespace glib = platform::glib;
using platform::CaseInsensitiveLess;
using platform::DesktopId;
using platform::GioDefaultHandlerFor;
using platform::HandlersFor;
using platform::kMailtoScheme;
using platform::RegKey;
using platform::RegValue;
namespace reg_type = platform::reg_type;

constexpr std::string_view kFieldCodes = "fFuUdDnNickvm";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

RegValue StringValue(const std::string& text) {
  RegValue value{reg_type::kString, {text.begin(), text.end()}};
  value.data.push_back(0);
  return value;
}

std::string DesktopIdStem(GAppInfo* info) {
  std::string id = DesktopId(info);
  constexpr std::string_view kSuffix = ".desktop";
  if (id.ends_with(kSuffix)) id.resize(id.size() - kSuffix.size());
  return id;
}

}  // namespace

std::string CommandWithoutFieldCodes(std::string_view exec) {
  std::string command;
  for (std::size_t i = 0; i < exec.size(); ++i) {
    const char c = exec[i];
    const char next = i + 1 < exec.size() ? exec[i + 1] : '\0';
    if (c != '%' || next == '\0') {
      command += c;
    } else if (next == '%') {
      command += '%';
      ++i;
    } else if (kFieldCodes.find(next) == std::string_view::npos) {
      command += c;
    } else {
      ++i;
      // A code that was a word of its own leaves two blanks meeting; keep only the first run.
      if (command.empty() || IsBlank(command.back())) {
        while (i + 1 < exec.size() && IsBlank(exec[i + 1])) ++i;
      }
    }
  }
  const auto first = std::find_if_not(command.begin(), command.end(), IsBlank);
  const auto last = std::find_if_not(command.rbegin(), command.rend(), IsBlank).base();
  return first < last ? std::string(first, last) : std::string();
}

const std::vector<NamedHandler>& DesktopMailView::Handlers() {
  if (handlers_) return *handlers_;
  std::vector<NamedHandler>& named = handlers_.emplace();
  std::set<std::string, CaseInsensitiveLess> taken;  // as registry names, without regard to case
  for (auto& handler : HandlersFor(kMailtoScheme)) {
    std::string name = glib::TextOrEmpty(g_app_info_get_name(handler.get()));
    std::replace(name.begin(), name.end(), '\\', '/');
    while (taken.contains(name) || name.empty()) name += " (" + DesktopIdStem(handler.get()) + ")";
    taken.insert(name);
    named.push_back({std::move(name), std::move(handler)});
  }
  return named;
}

GAppInfo* DesktopMailView::DefaultHandler() {
  if (!default_handler_) {
    // As platform::DefaultHandlerFor, falling back on the handlers listed here rather than listing them again.
    glib::Object<GAppInfo> chosen = GioDefaultHandlerFor(kMailtoScheme);
    if (!chosen && !Handlers().empty()) chosen.reset(G_APP_INFO(g_object_ref(Handlers().front().info.get())));
    default_handler_ = std::move(chosen);
  }
  return default_handler_->get();
}

MailHandler DesktopMailView::ComposeHandler(GAppInfo* info) {
  for (const auto& [seen, handler] : compose_handlers_) {
    if (seen == info) return handler;
  }
  MailHandler handler{DesktopId(info), glib::TextOrEmpty(g_app_info_get_name(info)), {}};
  // Split as GIO splits an Exec line; a line it cannot split leaves the handler to the desktop.
  gchar** split = nullptr;
  if (const char* exec = g_app_info_get_commandline(info); exec && g_shell_parse_argv(exec, nullptr, &split, nullptr)) {
    const glib::TextList words(split);
    for (gchar** word = words.get(); *word; ++word) handler.exec.emplace_back(*word);
  }
  return compose_handlers_.emplace_back(info, std::move(handler)).second;
}

std::shared_ptr<DesktopMailView> KeptDesktopMailView() {
  return platform::KeptWhileUnchanged<DesktopMailView>(platform::DesktopChanges);
}

const std::shared_ptr<const RegKey>& DesktopMailView::MailKey() {
  if (mail_key_) return *mail_key_;
  GAppInfo* default_handler = DefaultHandler();
  RegKey mail;
  for (const auto& [name, handler] : Handlers()) {
    GAppInfo* info = handler.get();
    RegKey& client = mail.FindOrCreate(name);
    client.FindOrCreate("shell\\open\\command")
        .SetValue("", StringValue(CommandWithoutFieldCodes(glib::TextOrEmpty(g_app_info_get_commandline(info)))));
    if (default_handler && g_app_info_equal(info, default_handler)) mail.SetValue("", StringValue(name));
  }
  return mail_key_.emplace(Handlers().empty() ? nullptr : std::make_shared<const RegKey>(std::move(mail)));
}

std::shared_ptr<const RegKey> DesktopMailClients() {
  if (ComposeThroughPortal()) {
    // A sandbox sees none of the host's entries; the portal reaches whichever client the host has.
    static const auto portal = [] {
      auto mail = std::make_shared<RegKey>();
      mail->FindOrCreate(kPortalClientName);
      mail->SetValue("", StringValue(kPortalClientName));
      return std::shared_ptr<const RegKey>(std::move(mail));
    }();
    return portal;
  }
  return KeptDesktopMailView()->MailKey();
}

}  // namespace quorvel::mapi

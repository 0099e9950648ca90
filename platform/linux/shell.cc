#include "platform/linux/shell.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <string_view>

#include "platform/key_tree.h"
#include "platform/linux/desktop_handlers.h"
#include "platform/linux/first_moments.h"
#include "platform/linux/unique_fd.h"

// Only the "open" verb (or the empty default verb, which is "open" for a URL) has a handler: any
// other verb answers kNoAssociation, as a verb with no registered command does.
//
// The handler is the scheme's default by the rule of platform/linux/desktop_handlers.h. What GIO does with the
// URL: a %u or %U in the handler's Exec line becomes the URL as one argument, unchanged (spaces,
// quotes, '%', CR LF and non-ASCII included); a handler whose Exec line takes no URL (no %u/%U) is
// started without it, as the desktop would. GIO starts the program through its gio-launch-desktop
// helper, so a program that exists but cannot itself be executed (a broken interpreter line, say)
// still answers kStarted. An entry whose program cannot be found is no handler, so it answers
// kNoAssociation rather than kFileNotFound. kFileNotFound is what GIO's own failures answer: the
// helper cannot be started, the entry's working folder (Path=) is missing, the argument list is too
// long. Inside a Flatpak or Snap, where no handler is in sight, GIO opens the URL as it would for
// any sandboxed program: from a Flatpak through the desktop's OpenURI portal.
namespace quorvel::platform {

namespace {

bool IsOpenVerb(std::string_view operation) { return operation.empty() || EqualsIgnoringCase(operation, "open"); }

}  // namespace

std::intptr_t DesktopShell::ShellExecuteA(const std::string& operation, const std::string& file) {
  return Open(operation, file, false).answer;
}

Opening DesktopShell::OpenWatched(const std::string& url) { return Open("open", url, true); }

Opening DesktopShell::Open(const std::string& operation, const std::string& file, bool watched) {
  if (file.size() > kLargestArgument) return {shell_answer::kOutOfResources};
  if (!IsOpenVerb(operation)) return {shell_answer::kNoAssociation};

  // The URL as the C call sees it: the text before any NUL.
  const char* url = file.c_str();
  const char* scheme = g_uri_peek_scheme(url);  // interned, lower case; null when there is none
  if (!scheme) return {shell_answer::kNoAssociation};
  const glib::Object<GAppInfo> handler = DefaultHandlerFor(scheme);
  if (!handler && InsideSandbox()) {
    // Out of sight of the host's handlers: GIO asks the desktop's OpenURI portal from a Flatpak.
    return {g_app_info_launch_default_for_uri(url, nullptr, nullptr) ? shell_answer::kStarted
                                                                     : shell_answer::kNoAssociation};
  }
  if (!handler) return {shell_answer::kNoAssociation};
  return OpenWith(handler.get(), file, watched);
}

Opening OpenWith(GAppInfo* handler, const std::string& file, bool watched) {
  const char* url = file.c_str();
  GList uris{};
  uris.data = const_cast<char*>(url);
  glib::Error error;
  if (!G_IS_DESKTOP_APP_INFO(handler)) {
    const bool launched = g_app_info_launch_uris(handler, &uris, nullptr, error.out());
    return {launched ? shell_answer::kStarted : shell_answer::kFileNotFound};
  }
  const UniqueFd null(::open("/dev/null", O_RDWR | O_CLOEXEC));
  if (!null.valid()) return {shell_answer::kFileNotFound};
  // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the handler from an intermediate child that it reaps
  // at once, so the handler is never our child and leaves no zombie; with it, the watch reaps it.
  GPid pid = 0;
  const auto record_pid = [](GDesktopAppInfo*, GPid started, gpointer out) { *static_cast<GPid*>(out) = started; };
  const auto flags = static_cast<GSpawnFlags>(G_SPAWN_SEARCH_PATH | (watched ? G_SPAWN_DO_NOT_REAP_CHILD : 0));
  if (!g_desktop_app_info_launch_uris_as_manager_with_fds(G_DESKTOP_APP_INFO(handler), &uris, nullptr, flags, nullptr,
                                                          nullptr, record_pid, &pid, null.get(), null.get(), null.get(),
                                                          error.out())) {
    return {shell_answer::kFileNotFound};
  }
  return {shell_answer::kStarted, watched && pid > 0 ? FailureWithinGrace(pid) : std::nullopt};
}

}  // namespace quorvel::platform

#include "platform/shell_linux.h"

#include <fcntl.h>
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>
#include <unistd.h>

#include <memory>
#include <string_view>

#include "platform/key_tree.h"

// Only the "open" verb (or the empty default verb, which is "open" for a URL) has a handler: any
// other verb answers kNoAssociation, as a verb with no registered command does.
//
// What GIO does with the URL: a %u or %U in the handler's Exec line becomes the URL as one argument,
// unchanged (spaces, quotes, '%', CR LF and non-ASCII included). A handler whose Exec line takes no
// URL (no %u/%U) is started without it, and a Hidden entry that mimeapps.list names as the default
// is still the one started: both are GIO's choices, kept so links open as the desktop opens them.
// GIO starts the program through its gio-launch-desktop helper, so a program that exists but cannot
// itself be executed (a broken interpreter line, say) still answers kStarted. GIO never offers an
// entry whose program or TryExec it cannot find, so such an entry answers kNoAssociation rather than
// kFileNotFound. kFileNotFound is what GIO's own failures answer: the helper cannot be started, the
// entry's working folder (Path=) is missing, the argument list is too long.
namespace quorvel::platform {

namespace {

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
using AppInfo = std::unique_ptr<GAppInfo, GObjectUnref>;

class DevNull {
 public:
  DevNull() : fd_(::open("/dev/null", O_RDWR | O_CLOEXEC)) {}
  ~DevNull() {
    if (fd_ >= 0) ::close(fd_);
  }
  DevNull(const DevNull&) = delete;
  DevNull& operator=(const DevNull&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool IsOpenVerb(std::string_view operation) { return operation.empty() || EqualsIgnoringCase(operation, "open"); }

}  // namespace

std::intptr_t DesktopShell::ShellExecuteA(const std::string& operation, const std::string& file) {
  if (file.size() > kLargestArgument) return shell_answer::kOutOfResources;
  if (!IsOpenVerb(operation)) return shell_answer::kNoAssociation;

  // The URL as the C call sees it: the text before any NUL.
  const char* url = file.c_str();
  const char* scheme = g_uri_peek_scheme(url);  // interned, lower case; null when there is none
  if (!scheme) return shell_answer::kNoAssociation;
  const AppInfo handler(g_app_info_get_default_for_uri_scheme(scheme));
  if (!handler) return shell_answer::kNoAssociation;

  GList uris{};
  uris.data = const_cast<char*>(url);
  GError* error = nullptr;
  gboolean launched = FALSE;
  if (G_IS_DESKTOP_APP_INFO(handler.get())) {
    const DevNull null;
    if (null.fd() < 0) return shell_answer::kFileNotFound;
    // Without G_SPAWN_DO_NOT_REAP_CHILD GLib starts the handler from an intermediate child that it
    // reaps at once, so the handler is never our child and leaves no zombie.
    launched = g_desktop_app_info_launch_uris_as_manager_with_fds(G_DESKTOP_APP_INFO(handler.get()), &uris, nullptr,
                                                                  G_SPAWN_SEARCH_PATH, nullptr, nullptr, nullptr,
                                                                  nullptr, null.fd(), null.fd(), null.fd(), &error);
  } else {
    launched = g_app_info_launch_uris(handler.get(), &uris, nullptr, &error);
  }
  g_clear_error(&error);
  return launched ? shell_answer::kStarted : shell_answer::kFileNotFound;
}

}  // namespace quorvel::platform

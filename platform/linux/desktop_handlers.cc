#include "platform/linux/desktop_handlers.h"

#include <gio/gdesktopappinfo.h>

#include <mutex>

namespace quorvel::platform {

namespace {

std::string ContentType(std::string_view scheme) { return "x-scheme-handler/" + std::string(scheme); }

bool ProgramExists(const char* program) { return glib::Text(g_find_program_in_path(program)) != nullptr; }

// GIO already skips most of these when it loads an entry; checking again keeps to the rule whatever
// GIO's version does, and catches the Hidden entry GIO still answers when mimeapps.list names it.
bool PassesTheRule(GAppInfo* info) {
  if (G_IS_DESKTOP_APP_INFO(info)) {
    GDesktopAppInfo* entry = G_DESKTOP_APP_INFO(info);
    if (g_desktop_app_info_get_is_hidden(entry)) return false;
    // Asked first: reading a key an entry lacks makes GLib build a translated error message for it.
    if (g_desktop_app_info_has_key(entry, "TryExec")) {
      const glib::Text try_exec(g_desktop_app_info_get_string(entry, "TryExec"));
      if (try_exec && *try_exec && !ProgramExists(try_exec.get())) return false;
    }
  }
  const char* program = g_app_info_get_executable(info);  // the Exec line's first word
  return !program || !*program || ProgramExists(program);
}

// A GAppInfoMonitor delivering to a context of its own, which is dispatched whenever the count is
// asked for: no main loop of the host's is needed, nor disturbed.
class DesktopWatch {
 public:
  DesktopWatch() : context_(g_main_context_new()) {
    // The monitor delivers to the context that is the thread's default when it is made.
    g_main_context_push_thread_default(context_);
    GAppInfoMonitor* monitor = g_app_info_monitor_get();
    g_main_context_pop_thread_default(context_);
    g_signal_connect(monitor, "changed", G_CALLBACK(Count), &changes_);
  }

  std::uint64_t Changes() {
    const std::lock_guard only_one_thread_dispatches(mutex_);
    while (g_main_context_iteration(context_, FALSE)) {
    }
    return changes_;
  }

 private:
  static void Count(GAppInfoMonitor*, gpointer changes) { ++*static_cast<std::uint64_t*>(changes); }

  std::mutex mutex_;
  GMainContext* context_;
  std::uint64_t changes_ = 0;
};

}  // namespace

std::uint64_t DesktopChanges() {
  // Never destroyed: a thread may still ask while the process exits.
  static DesktopWatch* const watch = new DesktopWatch;
  return watch->Changes();
}

std::vector<glib::Object<GAppInfo>> HandlersFor(std::string_view scheme) {
  const glib::ObjectList all(g_app_info_get_all_for_type(ContentType(scheme).c_str()));
  std::vector<glib::Object<GAppInfo>> handlers;
  for (GList* item = all.get(); item; item = item->next) {
    GAppInfo* info = G_APP_INFO(item->data);
    if (PassesTheRule(info)) handlers.emplace_back(G_APP_INFO(g_object_ref(info)));
  }
  return handlers;
}

glib::Object<GAppInfo> GioDefaultHandlerFor(std::string_view scheme) {
  glib::Object<GAppInfo> chosen(g_app_info_get_default_for_type(ContentType(scheme).c_str(), FALSE));
  if (chosen && PassesTheRule(chosen.get())) return chosen;
  return nullptr;
}

glib::Object<GAppInfo> DefaultHandlerFor(std::string_view scheme) {
  if (auto chosen = GioDefaultHandlerFor(scheme)) return chosen;
  // As GIO does for a default that does not exist: the first handler there is.
  auto handlers = HandlersFor(scheme);
  if (handlers.empty()) return nullptr;
  return std::move(handlers.front());
}

bool InsideSandbox() {
  // Both are settled before the process starts: a process cannot enter or leave a sandbox, and SNAP is
  // set by the Snap's launcher, not something a host would change while it runs.
  static const bool inside = g_getenv("SNAP") != nullptr || g_file_test("/.flatpak-info", G_FILE_TEST_EXISTS);
  return inside;
}

std::string DesktopId(GAppInfo* handler) { return glib::TextOrEmpty(g_app_info_get_id(handler)); }

}  // namespace quorvel::platform

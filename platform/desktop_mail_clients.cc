#include "platform/desktop_mail_clients.h"

#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/registry.h"

namespace quorvel::platform {

namespace {

constexpr const char* kMailtoType = "x-scheme-handler/mailto";
constexpr std::string_view kFieldCodes = "fFuUdDnNickvm";

struct GFreeDeleter {
  void operator()(gpointer memory) const { g_free(memory); }
};
using OwnedText = std::unique_ptr<char, GFreeDeleter>;

struct AppInfoListDeleter {
  void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

struct GObjectUnref {
  void operator()(gpointer object) const { g_object_unref(object); }
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool ProgramExists(const char* program) { return OwnedText(g_find_program_in_path(program)) != nullptr; }

// GIO already skips most of these when it loads an entry; checking again keeps the view to what a
// launch can start whatever GIO's version does.
bool Launchable(GAppInfo* info) {
  if (G_IS_DESKTOP_APP_INFO(info)) {
    GDesktopAppInfo* entry = G_DESKTOP_APP_INFO(info);
    if (g_desktop_app_info_get_is_hidden(entry)) return false;
    const OwnedText try_exec(g_desktop_app_info_get_string(entry, "TryExec"));
    if (try_exec && *try_exec && !ProgramExists(try_exec.get())) return false;
  }
  const char* program = g_app_info_get_executable(info);  // the Exec line's first word
  return !program || !*program || ProgramExists(program);
}

std::string Utf8OrEmpty(const char* text) { return text ? text : ""; }

RegValue StringValue(const std::string& text) {
  RegValue value{reg_type::kString, {text.begin(), text.end()}};
  value.data.push_back(0);
  return value;
}

std::string DesktopIdStem(GAppInfo* info) {
  std::string id = Utf8OrEmpty(g_app_info_get_id(info));
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

std::optional<RegKey> DesktopMailClients() {
  const std::unique_ptr<GList, AppInfoListDeleter> handlers(g_app_info_get_all_for_type(kMailtoType));
  const std::unique_ptr<GAppInfo, GObjectUnref> default_handler(g_app_info_get_default_for_type(kMailtoType, FALSE));

  RegKey mail;
  bool any = false;
  for (GList* item = handlers.get(); item; item = item->next) {
    GAppInfo* info = G_APP_INFO(item->data);
    if (!Launchable(info)) continue;
    std::string name = Utf8OrEmpty(g_app_info_get_name(info));
    std::replace(name.begin(), name.end(), '\\', '/');
    while (mail.Find(name) || name.empty()) name += " (" + DesktopIdStem(info) + ")";

    RegKey& client = mail.FindOrCreate(name);
    client.FindOrCreate("shell\\open\\command")
        .SetValue("", StringValue(CommandWithoutFieldCodes(Utf8OrEmpty(g_app_info_get_commandline(info)))));
    if (default_handler && g_app_info_equal(info, default_handler.get())) mail.SetValue("", StringValue(name));
    any = true;
  }
  if (!any) return std::nullopt;
  return mail;
}

}  // namespace quorvel::platform

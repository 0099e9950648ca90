#include "platform/windows/shell.h"

#include <windows.h>

#include <shellapi.h>

#include "platform/windows/first_moments.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"

namespace quorvel::platform {

std::intptr_t SystemShell::ShellExecuteA(const std::string& operation, const std::string& file) {
  return Open(operation, file, false).answer;
}

Opening SystemShell::OpenWatched(const std::string& url) { return Open("open", url, true); }

Opening SystemShell::Open(const std::string& operation, const std::string& file, bool watched) {
  const std::wstring verb = Widen(operation), url = Widen(file);
  SHELLEXECUTEINFOW execute{};
  execute.cbSize = sizeof execute;
  // The host may end as soon as this returns, so the shell finishes handing the URL over first.
  execute.fMask = SEE_MASK_FLAG_NO_UI | SEE_MASK_NOASYNC | (watched ? SEE_MASK_NOCLOSEPROCESS : 0);
  execute.lpVerb = verb.empty() ? nullptr : verb.c_str();
  execute.lpFile = url.c_str();  // the URL as the C call sees it: the text before any NUL
  execute.nShow = SW_SHOWNORMAL;
  ShellExecuteExW(&execute);
  const UniqueHandle handler(execute.hProcess);
  return {reinterpret_cast<std::intptr_t>(execute.hInstApp),
          handler.valid() ? FailureWithinGrace(handler.get()) : std::nullopt};
}

}  // namespace quorvel::platform

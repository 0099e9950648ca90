#include "quorvel/application_context.h"

#include <utility>

#include "log/context_access.h"
#include "quorvel/error.h"

namespace quorvel {

namespace {
[[noreturn]] void NotProvided() { throw RuntimeError(error_number::kMemberNotSupported); }

thread_local std::string library_display_title = "Quorvel";
}  // namespace

void ApplicationContext::SessionLogAdd(const std::string&) { NotProvided(); }
void ApplicationContext::SessionLogAddVerbose(const std::string&) { NotProvided(); }
void ApplicationContext::AppErrorPreserve(const std::string&, std::string&) { NotProvided(); }
void ApplicationContext::AppErrorLog(bool, bool) { NotProvided(); }
std::string ApplicationContext::ApplicationName() { NotProvided(); }
std::int32_t ApplicationContext::MsgBox(const std::string&, std::int32_t, const std::string&) { NotProvided(); }

ApplicationContext& RequireContext(const std::shared_ptr<ApplicationContext>& context) {
  if (!context) throw RuntimeError(error_number::kObjectNotSet);
  return *context;
}

const std::string& LibraryDisplayTitle() { return library_display_title; }
void SetLibraryDisplayTitle(std::string title) { library_display_title = std::move(title); }

}  // namespace quorvel

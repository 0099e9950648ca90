#include "quorvel/error.h"

#include <new>
#include <utility>

namespace quorvel {

namespace {
thread_local ErrorInfo current_error;

std::string MessageFor(std::int32_t number, const std::string& description) {
  return "Error " + std::to_string(number) + ": " + description;
}
}  // namespace

AutomationError::AutomationError(std::int32_t number, std::string description, std::string source)
    : std::runtime_error(MessageFor(number, description)),
      number_(number),
      description_(std::move(description)),
      source_(std::move(source)) {}

std::string StandardDescription(std::int32_t number) {
  switch (number) {
    case error_number::kInvalidProcedureCall: return "Invalid procedure call or argument";
    case error_number::kOverflow: return "Overflow";
    case error_number::kOutOfMemory: return "Out of memory";
    case error_number::kSubscriptOutOfRange: return "Subscript out of range";
    case error_number::kTypeMismatch: return "Type mismatch";
    case error_number::kInternalError: return "Internal error";
    case error_number::kFileNotFound: return "File not found";
    case error_number::kPermissionDenied: return "Permission denied";
    case error_number::kPathFileAccessError: return "Path/File access error";
    case error_number::kPathNotFound: return "Path not found";
    case error_number::kInvalidFileFormat: return "Invalid file format";
    case error_number::kObjectNotSet: return "Object variable or With block variable not set";
    case error_number::kCannotCreateObject: return "ActiveX component can't create object";
    case error_number::kMemberNotSupported: return "Object doesn't support this property or method";
    default: return {};
  }
}

AutomationError RuntimeError(std::int32_t number) { return AutomationError(number, StandardDescription(number)); }

AutomationError RuntimeError(std::int32_t number, std::string_view detail) {
  return ErrorWithDetail(number, StandardDescription(number), detail);
}

AutomationError ErrorWithDetail(std::int32_t number, std::string_view text, std::string_view detail) {
  std::string description(text);
  if (!detail.empty()) description.append(": ").append(detail);
  return AutomationError(number, std::move(description));
}

AutomationError CaughtAsAutomationError() {
  try {
    throw;
  } catch (const AutomationError& error) {
    return error;
  } catch (const std::bad_alloc&) {
    return RuntimeError(error_number::kOutOfMemory);
  } catch (const std::exception& error) {
    return RuntimeError(error_number::kInternalError, error.what());
  } catch (...) {
    return RuntimeError(error_number::kInternalError);
  }
}

const ErrorInfo& CurrentError() { return current_error; }

CurrentErrorScope::CurrentErrorScope(const AutomationError& error)
    : previous_(std::exchange(current_error, ErrorInfo{error.number(), error.description(), error.source()})) {}

CurrentErrorScope::~CurrentErrorScope() { current_error = std::move(previous_); }

}  // namespace quorvel

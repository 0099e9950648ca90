// Automation errors: the one exception type that crosses every interface of the library,
// and the thread's current error that hosts read while the library reports a trapped error.
#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>

#include "quorvel/export.h"

namespace quorvel {

// The automation runtime's standard error numbers.
namespace error_number {
inline constexpr std::int32_t kInvalidProcedureCall = 5;
inline constexpr std::int32_t kOverflow = 6;
inline constexpr std::int32_t kOutOfMemory = 7;
inline constexpr std::int32_t kSubscriptOutOfRange = 9;
inline constexpr std::int32_t kTypeMismatch = 13;
inline constexpr std::int32_t kInternalError = 51;
inline constexpr std::int32_t kFileNotFound = 53;
inline constexpr std::int32_t kPermissionDenied = 70;
inline constexpr std::int32_t kPathFileAccessError = 75;
inline constexpr std::int32_t kPathNotFound = 76;
inline constexpr std::int32_t kObjectNotSet = 91;
inline constexpr std::int32_t kCannotCreateObject = 429;
inline constexpr std::int32_t kMemberNotSupported = 438;
inline constexpr std::int32_t kInvalidFileFormat = 321;
}  // namespace error_number

// The source of an error raised by the library itself, as the runtime names the project.
inline constexpr const char* kLibrarySource = "Quorvel";

class QUORVEL_EXPORT AutomationError : public std::runtime_error {
 public:
  AutomationError(std::int32_t number, std::string description, std::string source = kLibrarySource);

  std::int32_t number() const { return number_; }
  const std::string& description() const { return description_; }
  const std::string& source() const { return source_; }

 private:
  std::int32_t number_;
  std::string description_;
  std::string source_;
};

// The runtime's own text for a standard number ("Subscript out of range" for 9); empty when unknown.
QUORVEL_EXPORT std::string StandardDescription(std::int32_t number);

// A standard runtime error with its own text, raised from within the library.
QUORVEL_EXPORT AutomationError RuntimeError(std::int32_t number);
// The same with what went wrong after the text: "File not found: eudora". An empty detail adds nothing.
QUORVEL_EXPORT AutomationError RuntimeError(std::int32_t number, std::string_view detail);
// Any error whose description is a fixed text and a detail, joined the same way.
QUORVEL_EXPORT AutomationError ErrorWithDetail(std::int32_t number, std::string_view text, std::string_view detail);

// The exception being handled, as an automation error: other C++ exceptions become
// 7 "Out of memory" or 51 "Internal error" so that every trap can report them in the same way.
// Must be called inside a catch block.
QUORVEL_EXPORT AutomationError CaughtAsAutomationError();

struct ErrorInfo {
  std::int32_t number = 0;
  std::string description;
  std::string source;
};

// The error a trap of the library is handling on this thread; number 0 when none is.
QUORVEL_EXPORT const ErrorInfo& CurrentError();

// Makes an error the thread's current error for its lifetime, restoring the previous one after.
class QUORVEL_EXPORT CurrentErrorScope {
 public:
  explicit CurrentErrorScope(const AutomationError& error);
  ~CurrentErrorScope();
  CurrentErrorScope(const CurrentErrorScope&) = delete;
  CurrentErrorScope& operator=(const CurrentErrorScope&) = delete;

 private:
  ErrorInfo previous_;
};

}  // namespace quorvel

// Opens a URL with the desktop's default application for its scheme, found and launched with GIO:
// the URL is its one argument, byte for byte; standard streams on /dev/null; never waited for.
#pragma once

#include <cstddef>

#include "platform/shell.h"

// GIO's application type, declared as GIO does so that users of this header need not see GIO.
typedef struct _GAppInfo GAppInfo;  // NOLINT(modernize-use-using)

namespace quorvel::platform {

// The kernel's limit on one argument, without its terminating NUL.
inline constexpr std::size_t kLargestArgument = 131071;

class DesktopShell : public Shell {
 public:
  std::intptr_t ShellExecuteA(const std::string& operation, const std::string& file) override;
  // A handler started from its desktop entry is watched for its first moments (platform/linux/first_moments.h).
  Opening OpenWatched(const std::string& url) override;

 private:
  Opening Open(const std::string& operation, const std::string& file, bool watched);
};

// Opens the URL with this handler as DesktopShell opens it with the scheme's default one; watched,
// the handler is watched for its first moments.
Opening OpenWith(GAppInfo* handler, const std::string& url, bool watched);

}  // namespace quorvel::platform

// UTF-8 at the library's seams, UTF-16 at the Windows API: the conversions between the two.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvel::platform {

// Each invalid byte sequence becomes U+FFFD; embedded NULs are kept.
std::wstring Widen(std::string_view utf8);
// Each unpaired surrogate becomes U+FFFD; embedded NULs are kept.
std::string Narrow(std::wstring_view utf16);
// The text in the system's ANSI code page, for the few calls that have no W form; nothing when a
// character has no form there, or the text is not UTF-8 or holds a NUL, rather than another text.
std::optional<std::string> ToAnsiCodePage(std::string_view utf8);

// The system's text for an error code (GetLastError's, or a registry call's status), without the
// line end Windows adds: "Access is denied."
std::string SystemErrorText(unsigned long code);

}  // namespace quorvel::platform

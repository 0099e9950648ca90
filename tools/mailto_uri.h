// A mailto: URI (RFC 6068) taken apart: percent-decoded, keys without regard to case, every "to"
// merged after the path's addresses. Other keys are left out: attachments come only from --attach.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace quorvel::tools {

struct MailtoUri {
  std::vector<std::string> to{};
  std::vector<std::string> cc{};
  std::vector<std::string> bcc{};
  std::optional<std::string> subject{};
  std::optional<std::string> body{};
};

struct InvalidMailtoUri : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// True when the text starts with "mailto:", in any case.
bool IsMailtoUri(const std::string& text);

// Raises InvalidMailtoUri for a broken percent escape, a key without "=", or a subject or body given twice.
MailtoUri ParseMailtoUri(const std::string& uri);

}  // namespace quorvel::tools

#include "providers/mapi/recipient_address.h"

namespace quorvel::mapi {

namespace {
std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}
}  // namespace

NamedAddress SplitRecipient(std::string_view text) {
  text = Trimmed(text);
  const auto open = text.rfind('<');
  if (!text.ends_with('>') || open == std::string_view::npos) return {{}, std::string(text)};
  std::string_view name = Trimmed(text.substr(0, open));
  if (name.size() >= 2 && name.starts_with('"') && name.ends_with('"')) name = name.substr(1, name.size() - 2);
  return {std::string(name), std::string(Trimmed(text.substr(open + 1, text.size() - open - 2)))};
}

}  // namespace quorvel::mapi

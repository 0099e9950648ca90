// A recipient's text as the messages control takes it, "Ann Lee <ann@example.org>" or a bare address,
// split for a mail system that wants the display name and the address apart.
#pragma once

#include <string>
#include <string_view>

namespace quorvel::mapi {

struct NamedAddress {
  std::string name;
  std::string address;
};

// The name and the address of "Name <address>", blanks around each dropped, and the quotes around a
// quoted name ("Lee, Ann"); a text without the angle brackets is the address alone, with no name.
NamedAddress SplitRecipient(std::string_view text);

}  // namespace quorvel::mapi

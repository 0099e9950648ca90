// The nine parameters of every Send, in their order.
#pragma once

#include <cstdint>
#include <string>

#include "quorvel/variant.h"

namespace quorvel {

struct Message {
  std::string From{};
  // Address lists: one text, or an array of texts (any lower bound; blank elements are skipped).
  Variant addrTO{};
  Variant addrCC{};
  Variant addrBCC{};
  std::string Subject{};
  std::string Body{};
  // File paths, as one text or an array of texts; missing when the host leaves them out.
  Variant ATTACHMENTS = Variant::Missing{};
  std::int32_t Importance = 1;
  bool HTMLFormat = false;
};

}  // namespace quorvel

// The walk the providers make over a recipient or attachment list, item by item, inside their
// AddRecipients / AddAttachments procedure.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "log/procedure.h"
#include "quorvel/variant.h"

namespace quorvel::lists {

struct WalkTexts {
  std::string_view item_line;   // logged before each item, followed by the item untrimmed
  std::string unresolved_line;  // logged, alone, for a list of any other shape
};

// Writes the procedure's entry line, then hands every element (blank ones too) to addItem, trimmed
// of spaces, with its index in the array (0 for a single text); a list of another shape adds nothing.
// Errors reach the procedure's own trap.
void WalkList(log::Procedure& p, const Variant& list, const WalkTexts& texts,
              const std::function<void(const std::string& item, std::int32_t index)>& addItem);

}  // namespace quorvel::lists

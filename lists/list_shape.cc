#include "lists/list_shape.h"

namespace quorvel::lists {

ListShape ClassifyList(const Variant& list) {
  switch (list.Kind()) {
    case VariantKind::kStringArray: return ListShape::kArrayOfStrings;
    case VariantKind::kString: return ListShape::kSingleString;
    case VariantKind::kEmpty:
    case VariantKind::kNull:
    case VariantKind::kMissing:
    case VariantKind::kBoolean:
    case VariantKind::kLong:
    case VariantKind::kDouble:
    case VariantKind::kVariantArray:
    case VariantKind::kObject: return ListShape::kOther;
  }
  return ListShape::kOther;
}

std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsBlank(std::string_view text) { return TrimSpaces(text).empty(); }

}  // namespace quorvel::lists

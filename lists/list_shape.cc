#include "lists/list_shape.h"

namespace quorvel::lists {

ListShape ClassifyList(const Variant& list) {
  const std::string type_name = TypeName(list);
  if (type_name == "String()") return ListShape::kArrayOfStrings;
  if (type_name == "String") return ListShape::kSingleString;
  return ListShape::kOther;
}

std::string_view TrimSpaces(std::string_view text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool IsBlank(std::string_view text) { return TrimSpaces(text).empty(); }

}  // namespace quorvel::lists

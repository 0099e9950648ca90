// Address and attachment lists: a variant holding one text or an array of texts, told apart by its
// kind (type name "String" or "String()"). Blanks are texts that are empty once their spaces (and
// only spaces) are trimmed.
#pragma once

#include <string_view>

#include "quorvel/variant.h"

namespace quorvel::lists {

enum class ListShape {
  kArrayOfStrings,  // "String()"
  kSingleString,    // "String"
  kOther,           // anything else: empty, null, missing, numbers, arrays of variants, objects
};

ListShape ClassifyList(const Variant& list);

// The text without its leading and trailing space characters; tabs and line breaks stay.
std::string_view TrimSpaces(std::string_view text);
bool IsBlank(std::string_view text);

}  // namespace quorvel::lists

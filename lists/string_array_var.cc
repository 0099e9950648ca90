#include "lists/string_array_var.h"

#include "lists/list_shape.h"

namespace quorvel::lists {

std::string StringArrayVar(const FlatteningStyle& style, const LogLineRoutine& logLine, const std::string& prefix,
                           const Variant& list) {
  std::string result = style.result_starts_as_prefix ? prefix : std::string();
  switch (ClassifyList(list)) {
    case ListShape::kArrayOfStrings: {
      const auto& items = *list.GetIf<StringArray>();
      result = prefix;
      const std::int32_t upper = items.UBound();
      // A wider index, so that an upper bound of the largest Long still ends the loop.
      for (std::int64_t index = items.LBound(); index <= upper; ++index) {
        const std::string& item = items[static_cast<std::int32_t>(index)];
        if (IsBlank(item)) continue;
        if (result != prefix) result += style.separator;
        result += item;
      }
      break;
    }
    case ListShape::kSingleString: {
      const auto& text = *list.GetIf<std::string>();
      if (!IsBlank(text)) result = prefix + text;
      break;
    }
    case ListShape::kOther: {
      std::string line(style.tag);
      line += " Unknown Type: " + prefix + " " + TextForm(list);
      logLine(line);
      break;
    }
  }
  return result;
}

}  // namespace quorvel::lists

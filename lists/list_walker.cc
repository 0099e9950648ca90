#include "lists/list_walker.h"

#include "lists/list_shape.h"

namespace quorvel::lists {

namespace {
void WalkItem(log::Procedure& p, const WalkTexts& texts, const std::string& item, std::int32_t index,
              const std::function<void(const std::string&, std::int32_t)>& addItem) {
  p.Log(texts.item_line, item);
  addItem(std::string(TrimSpaces(item)), index);
}
}  // namespace

void WalkList(log::Procedure& p, const Variant& list, const WalkTexts& texts,
              const std::function<void(const std::string& item, std::int32_t index)>& addItem) {
  p.Line(10);
  p.Enter();
  p.Line(20);
  switch (ClassifyList(list)) {
    case ListShape::kArrayOfStrings: {
      const auto& items = *list.GetIf<StringArray>();
      p.Line(30);
      const std::int32_t lower = items.LBound();
      const std::int32_t upper = items.UBound();
      // A wider index, so that an upper bound of the largest Long still ends the loop.
      for (std::int64_t index = lower; index <= upper; ++index) {
        p.Line(40);
        const auto at = static_cast<std::int32_t>(index);
        WalkItem(p, texts, items[at], at, addItem);
      }
      break;
    }
    case ListShape::kSingleString:
      p.Line(50);
      WalkItem(p, texts, *list.GetIf<std::string>(), 0, addItem);
      break;
    case ListShape::kOther:
      p.Line(60);
      p.Log(texts.unresolved_line);
      break;
  }
}

}  // namespace quorvel::lists

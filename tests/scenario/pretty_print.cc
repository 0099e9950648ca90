#include "tests/scenario/pretty_print.h"

#include <algorithm>

namespace quorvel::scenario {

namespace {
// A value nested no deeper than this, whose one-line form ends within the width, stays on one line.
constexpr int kInlineDepth = 2;
constexpr std::size_t kWidth = 100;

// Text that is not UTF-8 is written with replacement characters rather than lost.
std::string Scalar(const Json& value) { return value.dump(-1, ' ', false, Json::error_handler_t::replace); }

int Depth(const Json& value) {
  if (!value.is_structured()) return 0;
  int deepest = 0;
  for (const auto& item : value) deepest = std::max(deepest, Depth(item));
  return deepest + 1;
}

std::string OneLine(const Json& value) {
  if (!value.is_structured()) return Scalar(value);
  std::string text = value.is_object() ? "{" : "[";
  bool first = true;
  for (auto item = value.begin(); item != value.end(); ++item) {
    if (!first) text += ", ";
    first = false;
    if (value.is_object()) text += Scalar(item.key()) + ": ";
    text += OneLine(item.value());
  }
  return text + (value.is_object() ? "}" : "]");
}

void Print(const Json& value, std::size_t indent, std::size_t column, std::string& out) {
  if (!value.is_structured() || value.empty() || Depth(value) <= kInlineDepth) {
    std::string line = OneLine(value);
    if (!value.is_structured() || value.empty() || column + line.size() <= kWidth) {
      out += line;
      return;
    }
  }
  const std::string inner(indent + 2, ' ');
  out += value.is_object() ? "{\n" : "[\n";
  bool first = true;
  for (auto item = value.begin(); item != value.end(); ++item) {
    if (!first) out += ",\n";
    first = false;
    out += inner;
    std::size_t start = inner.size();
    if (value.is_object()) {
      const std::string key = Scalar(item.key()) + ": ";
      out += key;
      start += key.size();
    }
    Print(item.value(), indent + 2, start, out);
  }
  out += "\n" + std::string(indent, ' ') + (value.is_object() ? "}" : "]");
}
}  // namespace

std::string PrettyPrint(const Json& value) {
  std::string out;
  Print(value, 0, 0, out);
  return out + "\n";
}

}  // namespace quorvel::scenario

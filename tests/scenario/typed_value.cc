#include "tests/scenario/typed_value.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string_view>
#include <vector>

namespace quorvel::scenario {

namespace {
constexpr std::array<std::string_view, 11> kKinds = {"text",    "texts", "undimensioned", "variants", "empty",  "null",
                                                     "missing", "long",  "double",        "bool",     "nothing"};

std::string KindList() {
  std::string list;
  for (const auto kind : kKinds) list += (list.empty() ? "" : ", ") + std::string(kind);
  return list;
}

// The marker kinds ({"empty": true}) take nothing but true.
void RequireTrue(const Node& marker) {
  if (!marker.json().is_boolean() || !marker.json().get<bool>()) marker.Fail("expected true");
}

// An array's bounds are Longs: one whose upper bound would pass the largest Long cannot exist.
std::int32_t Lower(const Node& node, std::size_t count) {
  const auto lower = node.Find("lower");
  const std::int32_t bound = lower ? lower->Int32() : 0;
  if (std::int64_t{bound} + static_cast<std::int64_t>(count) - 1 > std::numeric_limits<std::int32_t>::max()) {
    lower->Fail("the upper bound, lower + count - 1, passes the largest Long");
  }
  return bound;
}

bool BooleanValue(const Node& node) {
  // -1 and 0 are accepted too, so a value copied from a transcript reads back the same.
  if (node.json().is_number_integer()) {
    const std::int32_t number = node.Int32();
    if (number == -1 || number == 0) return number == -1;
  }
  if (!node.json().is_boolean()) node.Fail("expected true, false, -1 or 0");
  return node.Boolean();
}
}  // namespace

Variant FromTyped(const Node& node) {
  if (!node.json().is_object() || node.json().empty()) {
    node.Fail("expected a typed value, an object with one of the keys " + KindList() + ", found " +
              (node.json().is_object() ? std::string("an empty object") : std::string(JsonTypeName(node.json()))));
  }
  std::string kind;
  for (const auto& [key, ignored] : node.Object()) {
    if (std::find(kKinds.begin(), kKinds.end(), key) == kKinds.end()) continue;
    if (!kind.empty()) node.Fail("a typed value has one kind, found \"" + kind + "\" and \"" + key + "\"");
    kind = key;
  }
  if (kind.empty()) {
    node.Fail("unknown kind \"" + node.json().begin().key() + "\" (known: " + KindList() + ")");
  }
  const Node value = node.Get(kind);
  if (kind == "texts") {
    node.AllowKeys({"texts", "lower"});
    std::vector<std::string> items;
    for (std::size_t i = 0; i < value.Array().size(); ++i) items.push_back(value.At(i).String());
    const std::int32_t lower = Lower(node, items.size());
    return StringArray(lower, std::move(items));
  }
  if (kind == "variants") {
    node.AllowKeys({"variants", "lower"});
    std::vector<Variant> items;
    for (std::size_t i = 0; i < value.Array().size(); ++i) items.push_back(FromTyped(value.At(i)));
    const std::int32_t lower = Lower(node, items.size());
    return VariantArray(lower, std::move(items));
  }
  if (kind == "undimensioned") {
    node.AllowKeys({"undimensioned", "of"});
    RequireTrue(value);
    const auto of = node.Find("of");
    if (!of || of->String() == "texts") return StringArray();
    if (of->String() == "variants") return VariantArray();
    of->Fail("expected \"texts\" or \"variants\"");
  }
  node.AllowKeys({kind});
  if (kind == "text") return value.String();
  if (kind == "long") return value.Int32();
  if (kind == "double") return value.Number();
  if (kind == "bool") return BooleanValue(value);
  RequireTrue(value);
  if (kind == "empty") return Variant::Empty{};
  if (kind == "null") return Variant::Null{};
  if (kind == "missing") return Variant::Missing{};
  return Variant::Object{};  // nothing
}

Json ToTyped(const Variant& value) {
  if (value.Is<Variant::Empty>()) return {{"empty", true}};
  if (value.Is<Variant::Null>()) return {{"null", true}};
  if (value.Is<Variant::Missing>()) return {{"missing", true}};
  if (const auto* flag = value.GetIf<bool>()) return {{"bool", *flag ? -1 : 0}};
  if (const auto* number = value.GetIf<std::int32_t>()) return {{"long", *number}};
  if (const auto* number = value.GetIf<double>()) return {{"double", *number}};
  if (const auto* text = value.GetIf<std::string>()) return {{"text", *text}};
  if (const auto* texts = value.GetIf<StringArray>()) {
    if (!texts->IsDimensioned()) return {{"undimensioned", true}};
    return {{"texts", texts->items()}, {"lower", texts->LBound()}};
  }
  if (const auto* variants = value.GetIf<VariantArray>()) {
    if (!variants->IsDimensioned()) return {{"undimensioned", true}, {"of", "variants"}};
    Json items = Json::array();
    for (const auto& item : variants->items()) items.push_back(ToTyped(item));
    return {{"variants", std::move(items)}, {"lower", variants->LBound()}};
  }
  const auto& object = *value.GetIf<Variant::Object>();
  if (!object) return {{"nothing", true}};
  return {{"object", object->ClassName()}};
}

}  // namespace quorvel::scenario

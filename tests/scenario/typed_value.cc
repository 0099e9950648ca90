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

// The marker kinds ({"empty": true}) take nothing but true.
void RequireTrue(const Node& marker) {
  if (!marker.json().is_boolean() || !marker.json().get<bool>()) marker.Fail("expected true");
}

// {"texts": [...], "lower": 1} or {"variants": [...]}. The bounds are Longs: an array whose upper
// bound would pass the largest Long cannot exist.
template <class Array, class Item, class ReadItem>
Array ReadArray(const Node& node, std::string_view kind, ReadItem read_item) {
  node.AllowKeys({kind, "lower"});
  std::vector<Item> items;
  for (const Node& item : node.Get(kind).Items()) items.push_back(read_item(item));
  const auto lower = node.Find("lower");
  const std::int32_t bound = lower ? lower->Int32() : 0;
  if (std::int64_t{bound} + static_cast<std::int64_t>(items.size()) - 1 > std::numeric_limits<std::int32_t>::max()) {
    lower->Fail("the upper bound, lower + count - 1, passes the largest Long");
  }
  return Array(bound, std::move(items));
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
    node.Fail("expected a typed value, an object with one of the keys " + Join(kKinds) + ", found " +
              (node.json().is_object() ? std::string("an empty object") : std::string(JsonTypeName(node.json()))));
  }
  std::string kind;
  for (const auto& [key, ignored] : node.Object()) {
    if (std::find(kKinds.begin(), kKinds.end(), key) == kKinds.end()) continue;
    if (!kind.empty()) node.Fail("a typed value has one kind, found \"" + kind + "\" and \"" + key + "\"");
    kind = key;
  }
  if (kind.empty()) node.Fail("unknown kind \"" + node.json().begin().key() + "\" (known: " + Join(kKinds) + ")");
  if (kind == "texts") return ReadArray<StringArray, std::string>(node, kind, [](const Node& n) { return n.String(); });
  if (kind == "variants") return ReadArray<VariantArray, Variant>(node, kind, FromTyped);
  const Node value = node.Get(kind);
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

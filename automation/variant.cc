#include "quorvel/variant.h"

#include <charconv>
#include <utility>

namespace quorvel {

Variant::Variant() = default;
Variant::Variant(Empty) {}
Variant::Variant(Null) : value_(Null{}) {}
Variant::Variant(Missing) : value_(Missing{}) {}
Variant::Variant(bool value) : value_(value) {}
Variant::Variant(std::int32_t value) : value_(value) {}
Variant::Variant(double value) : value_(value) {}
Variant::Variant(std::string value) : value_(std::move(value)) {}
Variant::Variant(const char* value) : value_(std::string(value)) {}
Variant::Variant(StringArray value) : value_(std::move(value)) {}
Variant::Variant(VariantArray value) : value_(std::move(value)) {}
Variant::Variant(Object value) : value_(std::move(value)) {}
Variant::Variant(const Variant&) = default;
Variant::Variant(Variant&&) noexcept = default;
Variant& Variant::operator=(const Variant&) = default;
Variant& Variant::operator=(Variant&&) noexcept = default;
Variant::~Variant() = default;

bool Variant::operator==(const Variant& other) const { return value_ == other.value_; }

namespace {
std::string DoubleText(double value) {
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  return ec == std::errc{} ? std::string(buffer, end) : std::string{};
}
}  // namespace

std::string TypeName(const Variant& value) {
  switch (value.Kind()) {
    case VariantKind::kEmpty: return "Empty";
    case VariantKind::kNull: return "Null";
    case VariantKind::kMissing: return "Error";
    case VariantKind::kBoolean: return "Boolean";
    case VariantKind::kLong: return "Long";
    case VariantKind::kDouble: return "Double";
    case VariantKind::kString: return "String";
    case VariantKind::kStringArray: return "String()";
    case VariantKind::kVariantArray: return "Variant()";
    case VariantKind::kObject: {
      const auto& object = *value.GetIf<Variant::Object>();
      return object ? object->ClassName() : "Nothing";
    }
  }
  return {};
}

std::string TextForm(const Variant& value) {
  if (const auto* text = value.GetIf<std::string>()) return *text;
  if (const auto* flag = value.GetIf<bool>()) return *flag ? "True" : "False";
  if (const auto* number = value.GetIf<std::int32_t>()) return std::to_string(*number);
  if (const auto* number = value.GetIf<double>()) return DoubleText(*number);
  if (value.Is<Variant::Empty>() || value.Is<Variant::Null>() || value.Is<Variant::Missing>()) return {};
  return TypeName(value);
}

}  // namespace quorvel

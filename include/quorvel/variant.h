// The dynamically typed automation value that crosses every interface of the library.
#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "quorvel/error.h"
#include "quorvel/export.h"

namespace quorvel {

// An object handed across an automation interface; its class name is its type name.
class QUORVEL_EXPORT AutomationObject {
 public:
  virtual ~AutomationObject() = default;
  virtual std::string ClassName() const = 0;
};

// A one-dimensional array with any lower bound, or one that was declared but never dimensioned.
// Reading the bounds or an element of a never-dimensioned array raises 9, as does an index out of range,
// and so does making an array whose upper bound would not fit in 32 bits.
template <class T>
class AutomationArray {
 public:
  AutomationArray() = default;  // never dimensioned
  AutomationArray(std::int32_t lower, std::vector<T> items)
      : dimensioned_(true), lower_(lower), items_(std::move(items)) {
    const std::int64_t upper = std::int64_t{lower_} + static_cast<std::int64_t>(items_.size()) - 1;
    if (upper > INT32_MAX || upper < INT32_MIN) {
      throw RuntimeError(error_number::kSubscriptOutOfRange);
    }
  }

  bool IsDimensioned() const { return dimensioned_; }
  std::int32_t LBound() const {
    RequireDimensioned();
    return lower_;
  }
  // An empty array has its upper bound below its lower bound.
  std::int32_t UBound() const {
    RequireDimensioned();
    return static_cast<std::int32_t>(std::int64_t{lower_} + static_cast<std::int64_t>(items_.size()) - 1);
  }
  const T& operator[](std::int32_t index) const { return items_[Offset(index)]; }
  T& operator[](std::int32_t index) { return items_[Offset(index)]; }

  // Dimensions the array afresh; earlier contents are discarded.
  void ReDim(std::int32_t lower, std::int32_t upper) {
    *this = AutomationArray(lower, std::vector<T>(Count(lower, upper)));
  }
  // Moves the upper bound, keeping the contents that stay within the bounds.
  void ReDimPreserve(std::int32_t upper) {
    RequireDimensioned();
    items_.resize(Count(lower_, upper));
  }

  const std::vector<T>& items() const { return items_; }
  bool operator==(const AutomationArray&) const = default;

 private:
  static std::size_t Count(std::int32_t lower, std::int32_t upper) {
    return upper < lower ? 0 : static_cast<std::size_t>(std::int64_t{upper} - lower + 1);
  }
  void RequireDimensioned() const {
    if (!dimensioned_) throw RuntimeError(error_number::kSubscriptOutOfRange);
  }
  std::size_t Offset(std::int32_t index) const {
    RequireDimensioned();
    const std::int64_t offset = std::int64_t{index} - lower_;
    if (offset < 0 || offset >= static_cast<std::int64_t>(items_.size())) {
      throw RuntimeError(error_number::kSubscriptOutOfRange);
    }
    return static_cast<std::size_t>(offset);
  }

  bool dimensioned_ = false;
  std::int32_t lower_ = 0;
  std::vector<T> items_;
};

class Variant;

// What a Variant holds; TypeName is its text.
enum class VariantKind {
  kEmpty,
  kNull,
  kMissing,
  kBoolean,
  kLong,
  kDouble,
  kString,
  kStringArray,
  kVariantArray,
  kObject,
};

using StringArray = AutomationArray<std::string>;
using VariantArray = AutomationArray<Variant>;

class QUORVEL_EXPORT Variant {
 public:
  struct Empty {
    bool operator==(const Empty&) const = default;
  };
  struct Null {
    bool operator==(const Null&) const = default;
  };
  // The marker of an optional argument the caller left out.
  struct Missing {
    bool operator==(const Missing&) const = default;
  };
  using Object = std::shared_ptr<AutomationObject>;

  Variant();
  Variant(Empty);
  Variant(Null);
  Variant(Missing);
  // Explicit, and a Boolean is never taken as a number: a Boolean is made only on purpose.
  explicit Variant(bool value);
  template <class T>
  requires std::same_as<T, bool> Variant(T)
  = delete;
  Variant(std::int32_t value);
  Variant(double value);
  Variant(std::string value);
  Variant(const char* value);
  Variant(StringArray value);
  Variant(VariantArray value);
  Variant(Object value);
  // A pointer is no value: without these, it would become a Boolean.
  template <class T>
  Variant(T*) = delete;
  Variant(std::nullptr_t) = delete;
  Variant(const Variant&);
  Variant(Variant&&) noexcept;
  Variant& operator=(const Variant&);
  Variant& operator=(Variant&&) noexcept;
  ~Variant();

  VariantKind Kind() const { return static_cast<VariantKind>(value_.index()); }

  template <class T>
  const T* GetIf() const {
    return std::get_if<T>(&value_);
  }
  template <class T>
  T* GetIf() {
    return std::get_if<T>(&value_);
  }
  template <class T>
  bool Is() const {
    return std::holds_alternative<T>(value_);
  }

  bool operator==(const Variant& other) const;

 private:
  // In the order of VariantKind.
  std::variant<Empty, Null, Missing, bool, std::int32_t, double, std::string, StringArray, VariantArray, Object> value_;
};

// The type name the automation runtime reports: "Empty", "Null", "Error" (an omitted argument),
// "Boolean", "Long", "Double", "String", "String()", "Variant()", an object's class name, or "Nothing".
QUORVEL_EXPORT std::string TypeName(const Variant& value);

// The text a value contributes to a log line. Empty, null and an omitted argument give the empty
// text, numbers their decimal text, Booleans "True" or "False", arrays and objects their type name.
// Never raises.
QUORVEL_EXPORT std::string TextForm(const Variant& value);

}  // namespace quorvel

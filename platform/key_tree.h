// An in-memory registry hive: keys with case-insensitive names, each with values and subkeys.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel::platform {

struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RegValue&) const = default;
};

// Orders names as the registry compares them: ASCII letters without regard to case.
struct CaseInsensitiveLess {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const;
};
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

// How deep keys may nest below a hive's root, far beyond any real registry. The reader refuses deeper
// keys and the writer will not write them, so the walks over a tree (copying, comparing, destroying,
// writing) recurse at most this deep.
inline constexpr std::size_t kMaxKeyDepth = 512;

class RegKey {
 public:
  // Subkeys enumerate in case-insensitive name order, as the registry lists them.
  using SubKeys = std::map<std::string, RegKey, CaseInsensitiveLess>;
  // Values keep the order in which they were set; the empty name is the unnamed value.
  using Values = std::list<std::pair<std::string, RegValue>>;

  RegKey() = default;
  RegKey(const RegKey& other);
  RegKey(RegKey&&) = default;
  ~RegKey();
  RegKey& operator=(const RegKey& other);
  RegKey& operator=(RegKey&&) = default;

  const SubKeys& subkeys() const { return subkeys_; }
  const Values& values() const { return values_; }

  // The key at a backslash-separated path below this one (empty segments are skipped), or null.
  const RegKey* Find(std::string_view path) const;
  // The key at a path, created with its parents when missing.
  RegKey& FindOrCreate(std::string_view path);
  // Removes the key at a path with all below it; false when there was none.
  bool Remove(std::string_view path);

  const RegValue* Value(std::string_view name) const;
  void SetValue(std::string_view name, RegValue value);
  bool RemoveValue(std::string_view name);

  bool operator==(const RegKey& other) const;

 private:
  void IndexValues();

  SubKeys subkeys_;
  Values values_;
  // Each value by its name, so that setting one does not search all the others. The names viewed are
  // the ones in values_, whose list nodes never move.
  std::map<std::string_view, Values::iterator, CaseInsensitiveLess> value_index_;
};

// The segments of a backslash-separated key path, empty ones skipped.
std::vector<std::string_view> SplitKeyPath(std::string_view path);

}  // namespace quorvel::platform

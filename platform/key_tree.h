// An in-memory registry hive: keys with case-insensitive names, each with values and subkeys.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

namespace quorvel::platform {

// A value as it is set: its type and its own bytes.
struct RegValue {
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  bool operator==(const RegValue&) const = default;
};

// A value as a key holds it, its bytes viewed where the key keeps them: valid until that key changes or
// goes, as a pointer into a vector is.
struct RegValueView {
  std::uint32_t type = 0;
  std::span<const std::uint8_t> data;
  bool operator==(const RegValueView& other) const;
  bool operator==(const RegValue& other) const;
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

// A key: its subkeys, in a vector sorted by name without regard to case, and its values, in a vector in
// the order they were first set. Names and data are views into a text the key shares ownership of: the
// file's text for every key a hive file was read into (ParseRegFile decodes strings and hex data in
// place), so that reading one allocates little beside the text; a key changed later copies what it
// views into a text of its own first (copy on write). A key copied or moved out of its tree, or moved
// into another, keeps the text it views alive, so no view outlives its bytes.
class RegKey {
 private:
  struct Span {
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
  };
  struct Text {
    std::string bytes;
    std::atomic<std::size_t> references{0};
  };
  // Shared ownership of a Text, one word wide.
  class TextRef {
   public:
    TextRef() = default;
    explicit TextRef(Text* text) noexcept : text_(text) { Acquire(); }
    TextRef(const TextRef& other) noexcept : text_(other.text_) { Acquire(); }
    TextRef(TextRef&& other) noexcept : text_(std::exchange(other.text_, nullptr)) {}
    TextRef& operator=(TextRef other) noexcept {
      std::swap(text_, other.text_);
      return *this;
    }
    ~TextRef() {
      if (text_ && text_->references.fetch_sub(1, std::memory_order_acq_rel) == 1) delete text_;
    }
    Text* get() const { return text_; }
    // Whether no other key shares the text, so that it may change.
    bool IsSole() const { return text_ && text_->references.load(std::memory_order_acquire) == 1; }

   private:
    void Acquire() noexcept {
      if (text_) text_->references.fetch_add(1, std::memory_order_relaxed);
    }
    Text* text_ = nullptr;
  };
  struct SubKeyEntry;
  struct ValueEntry {
    Span name;
    Span data;
    std::uint32_t type = 0;
  };
  class NameIndex;
  struct Indexes;

 public:
  struct SubKey {
    std::string_view name;
    const RegKey& key;
  };
  struct NamedValue {
    std::string_view name;
    RegValueView value;
  };
  // The subkeys or the values of a key as a random-access range of items made when read, valid while
  // the key does not change.
  template <class Item>
  class Items {
   public:
    class iterator {
     public:
      using iterator_category = std::input_iterator_tag;
      using value_type = Item;
      using difference_type = std::ptrdiff_t;
      using pointer = void;
      using reference = Item;
      iterator() = default;
      iterator(const RegKey* key, std::size_t index) : key_(key), index_(index) {}
      Item operator*() const { return key_->ItemAt<Item>(index_); }
      iterator& operator++() {
        ++index_;
        return *this;
      }
      iterator operator++(int) { return {key_, index_++}; }
      bool operator==(const iterator& other) const { return index_ == other.index_; }

     private:
      const RegKey* key_ = nullptr;
      std::size_t index_ = 0;
    };
    explicit Items(const RegKey& key) : key_(&key) {}
    std::size_t size() const { return key_->ItemCount<Item>(); }
    bool empty() const { return size() == 0; }
    Item operator[](std::size_t index) const { return key_->ItemAt<Item>(index); }
    iterator begin() const { return {key_, 0}; }
    iterator end() const { return {key_, size()}; }

   private:
    const RegKey* key_;
  };
  // Subkeys enumerate in case-insensitive name order, as the registry lists them.
  using SubKeys = Items<SubKey>;
  // Values keep the order in which they were set; the empty name is the unnamed value.
  using Values = Items<NamedValue>;

  RegKey() noexcept;
  RegKey(const RegKey& other);
  RegKey(RegKey&& other) noexcept;
  ~RegKey();
  RegKey& operator=(const RegKey& other);
  RegKey& operator=(RegKey&& other) noexcept;

  SubKeys subkeys() const { return SubKeys(*this); }
  Values values() const { return Values(*this); }

  // The key at a backslash-separated path below this one (empty segments are skipped), or null.
  const RegKey* Find(std::string_view path) const;
  // The key at a path, created with its parents when missing.
  RegKey& FindOrCreate(std::string_view path);
  // Removes the key at a path with all below it; false when there was none.
  bool Remove(std::string_view path);

  std::optional<RegValueView> Value(std::string_view name) const;
  // Overriding a value keeps its place and the spelling of its name; a new one goes last.
  void SetValue(std::string_view name, const RegValue& value);
  bool RemoveValue(std::string_view name);

  bool operator==(const RegKey& other) const;

  // Builds the tree a hive file's text holds, for the reader (platform/reg_file.cc): see key_tree.cc.
  class Builder;

 private:
  std::string_view View(Span span) const {
    return span.size == 0 ? std::string_view() : std::string_view(text_.get()->bytes.data() + span.offset, span.size);
  }
  template <class Item>
  std::size_t ItemCount() const;
  template <class Item>
  Item ItemAt(std::size_t index) const;

  // The position of the live subkey or value of that name, or nullopt.
  std::optional<std::size_t> SubKeyPosition(std::string_view name) const;
  std::optional<std::size_t> ValuePosition(std::string_view name) const;
  // Makes the text this key's own and able to take `extra` more bytes, the entries' views moved to it.
  // Returns the text it replaced, if any, for the caller to keep while it copies bytes that view it.
  TextRef OwnText(std::size_t extra);
  // Appends bytes to the key's own text, OwnText having made room for them.
  Span AppendOwned(std::string_view bytes);
  void IndexValues();

  std::vector<SubKeyEntry> subkeys_;
  std::vector<ValueEntry> values_;
  TextRef text_;
  // Lookup tables for keys with many values (and, while a file is read, many subkeys); null for most.
  std::unique_ptr<Indexes> indexes_;
};

struct RegKey::SubKeyEntry {
  Span name;
  RegKey key;
};

template <class Item>
std::size_t RegKey::ItemCount() const {
  if constexpr (std::is_same_v<Item, SubKey>) {
    return subkeys_.size();
  } else {
    return values_.size();
  }
}

template <class Item>
Item RegKey::ItemAt(std::size_t index) const {
  if constexpr (std::is_same_v<Item, SubKey>) {
    const SubKeyEntry& entry = subkeys_[index];
    return {View(entry.name), entry.key};
  } else {
    const ValueEntry& entry = values_[index];
    const std::string_view data = View(entry.data);
    return {View(entry.name), {entry.type, {reinterpret_cast<const std::uint8_t*>(data.data()), data.size()}}};
  }
}

// The segments of a backslash-separated key path, empty ones skipped.
std::vector<std::string_view> SplitKeyPath(std::string_view path);
// How many segments SplitKeyPath finds, without building them.
std::size_t KeyPathDepth(std::string_view path);

}  // namespace quorvel::platform

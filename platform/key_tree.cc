#include "platform/key_tree.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/key_tree_builder.h"

namespace quorvel::platform {

namespace {

char Fold(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// A key looks its values up one by one up to this many; beyond, through a hash table.
constexpr std::size_t kLinearLookups = 8;
// The offset that marks an entry removed while a file is read, until the end of the read drops it.
constexpr std::uint32_t kRemoved = std::numeric_limits<std::uint32_t>::max();
// Offsets and sizes within a key's text are 32-bit.
constexpr std::size_t kMaxTextSize = std::numeric_limits<std::uint32_t>::max();

// FNV-1a of the name as EqualsIgnoringCase compares it.
std::uint32_t NameHash(std::string_view name) {
  std::uint32_t hash = 2166136261u;
  for (const char c : name) hash = (hash ^ static_cast<unsigned char>(Fold(c))) * 16777619u;
  return hash;
}

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
  const std::size_t common = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < common; ++i) {
    if (a[i] == b[i]) continue;  // names mostly differ late, and in digits
    const auto x = static_cast<unsigned char>(Fold(a[i]));
    const auto y = static_cast<unsigned char>(Fold(b[i]));
    if (x != y) return x < y;
  }
  return a.size() < b.size();
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
  }
  return true;
}

std::vector<std::string_view> SplitKeyPath(std::string_view path) {
  std::vector<std::string_view> segments;
  while (!path.empty()) {
    const auto slash = path.find('\\');
    const auto segment = path.substr(0, slash);
    if (!segment.empty()) segments.push_back(segment);
    if (slash == std::string_view::npos) break;
    path.remove_prefix(slash + 1);
  }
  return segments;
}

std::size_t KeyPathDepth(std::string_view path) {
  std::size_t depth = 0;
  bool in_segment = false;
  for (const char c : path) {
    if (c != '\\' && !in_segment) ++depth;
    in_segment = c != '\\';
  }
  return depth;
}

namespace {

// The segments of a key path one by one, empty ones skipped, without a vector.
class Segments {
 public:
  explicit Segments(std::string_view path) : rest_(path) {}
  bool Next(std::string_view& segment) {
    while (!rest_.empty()) {
      const auto slash = rest_.find('\\');
      segment = rest_.substr(0, slash);
      rest_.remove_prefix(slash == std::string_view::npos ? rest_.size() : slash + 1);
      if (!segment.empty()) return true;
    }
    return false;
  }

 private:
  std::string_view rest_;
};

}  // namespace

bool RegValueView::operator==(const RegValueView& other) const {
  return type == other.type && std::ranges::equal(data, other.data);
}

bool RegValueView::operator==(const RegValue& other) const {
  return type == other.type && std::ranges::equal(data, other.data);
}

// ---- The hash tables ----

// Positions in a vector of named entries by the hash of their names, with linear probing. A slot holds
// the position plus one (0: empty, kErased: erased) and the name's hash.
class RegKey::NameIndex {
 public:
  // Whether the table is in use: once Clear()ed, or before the first Insert, it is not.
  bool active() const { return !slots_.empty(); }

  template <class NameAt>
  std::optional<std::size_t> Find(std::string_view name, std::uint32_t hash, const NameAt& name_at) const {
    if (slots_.empty()) return std::nullopt;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
      const Slot& slot = slots_[i];
      if (slot.position == 0) return std::nullopt;
      if (slot.position != kErased && slot.hash == hash && EqualsIgnoringCase(name_at(slot.position - 1), name)) {
        return slot.position - 1;
      }
    }
  }

  void Insert(std::size_t position, std::uint32_t hash) {
    if ((used_ + 1) * 2 > slots_.size()) Rehash(std::max<std::size_t>(16, std::bit_ceil((live_ + 1) * 4)));
    const std::size_t mask = slots_.size() - 1;
    std::size_t i = hash & mask;
    while (slots_[i].position != 0 && slots_[i].position != kErased) i = (i + 1) & mask;
    if (slots_[i].position == 0) ++used_;
    slots_[i] = {static_cast<std::uint32_t>(position + 1), hash};
    ++live_;
  }

  void Erase(std::size_t position, std::uint32_t hash) {
    if (slots_.empty()) return;
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask; slots_[i].position != 0; i = (i + 1) & mask) {
      if (slots_[i].position == position + 1) {
        slots_[i].position = kErased;
        --live_;
        return;
      }
    }
  }

  void Clear() {
    slots_ = {};
    used_ = live_ = 0;
  }

 private:
  static constexpr std::uint32_t kErased = std::numeric_limits<std::uint32_t>::max();
  struct Slot {
    std::uint32_t position = 0;
    std::uint32_t hash = 0;
  };

  void Rehash(std::size_t size) {
    std::vector<Slot> old = std::exchange(slots_, std::vector<Slot>(size));
    const std::size_t mask = size - 1;
    for (const Slot& slot : old) {
      if (slot.position == 0 || slot.position == kErased) continue;
      std::size_t i = slot.hash & mask;
      while (slots_[i].position != 0) i = (i + 1) & mask;
      slots_[i] = slot;
    }
    used_ = live_;
  }

  std::vector<Slot> slots_;
  std::size_t used_ = 0;  // slots not empty, erased ones included
  std::size_t live_ = 0;
};

struct RegKey::Indexes {
  NameIndex values;
  // Only while a file is read (RegKey::Builder): whether the subkeys are out of order (or some removed),
  // and so found by `subkeys` (when more than a few) rather than by their order; and how many entries
  // removed meanwhile await the end.
  bool unordered_subkeys = false;
  NameIndex subkeys;
  std::size_t removed_subkeys = 0;
  std::size_t removed_values = 0;
};

// ---- The key ----

RegKey::RegKey() noexcept = default;
RegKey::RegKey(RegKey&& other) noexcept = default;
RegKey& RegKey::operator=(RegKey&& other) noexcept = default;

// Copying, comparing and destroying walk the tree with a list of their own rather than by recursion,
// so that a deep tree needs no deep stack, whatever the build's frames. A copy shares the text.
RegKey::RegKey(const RegKey& other) {
  std::vector<std::pair<const RegKey*, RegKey*>> pending{{&other, this}};
  while (!pending.empty()) {
    const auto [from, to] = pending.back();
    pending.pop_back();
    to->values_ = from->values_;
    to->text_ = from->text_;
    if (from->indexes_) to->indexes_ = std::make_unique<Indexes>(*from->indexes_);
    to->subkeys_.reserve(from->subkeys_.size());
    for (const SubKeyEntry& entry : from->subkeys_) {
      to->subkeys_.push_back({entry.name, RegKey()});
      pending.emplace_back(&entry.key, &to->subkeys_.back().key);
    }
  }
}

RegKey::~RegKey() {
  if (subkeys_.empty()) return;
  std::vector<std::vector<SubKeyEntry>> pending;
  pending.push_back(std::exchange(subkeys_, {}));
  while (!pending.empty()) {
    std::vector<SubKeyEntry> level = std::move(pending.back());
    pending.pop_back();
    // Emptied of their own subkeys first, the keys of this level go without recursing.
    for (SubKeyEntry& entry : level) {
      if (!entry.key.subkeys_.empty()) pending.push_back(std::exchange(entry.key.subkeys_, {}));
    }
  }
}

RegKey& RegKey::operator=(const RegKey& other) {
  if (this != &other) *this = RegKey(other);
  return *this;
}

bool RegKey::operator==(const RegKey& other) const {
  std::vector<std::pair<const RegKey*, const RegKey*>> pending{{this, &other}};
  while (!pending.empty()) {
    const auto [a, b] = pending.back();
    pending.pop_back();
    if (a->values_.size() != b->values_.size() || a->subkeys_.size() != b->subkeys_.size()) return false;
    for (std::size_t i = 0; i < a->values_.size(); ++i) {
      const NamedValue x = a->ItemAt<NamedValue>(i);
      const NamedValue y = b->ItemAt<NamedValue>(i);
      if (x.name != y.name || !(x.value == y.value)) return false;
    }
    for (std::size_t i = 0; i < a->subkeys_.size(); ++i) {
      if (a->View(a->subkeys_[i].name) != b->View(b->subkeys_[i].name)) return false;
      pending.emplace_back(&a->subkeys_[i].key, &b->subkeys_[i].key);
    }
  }
  return true;
}

std::optional<std::size_t> RegKey::SubKeyPosition(std::string_view name) const {
  const auto found = std::lower_bound(
      subkeys_.begin(), subkeys_.end(), name,
      [this](const SubKeyEntry& entry, std::string_view n) { return CaseInsensitiveLess()(View(entry.name), n); });
  if (found == subkeys_.end() || !EqualsIgnoringCase(View(found->name), name)) return std::nullopt;
  return static_cast<std::size_t>(found - subkeys_.begin());
}

std::optional<std::size_t> RegKey::ValuePosition(std::string_view name) const {
  if (indexes_ && indexes_->values.active()) {
    return indexes_->values.Find(name, NameHash(name), [this](std::size_t i) { return View(values_[i].name); });
  }
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (values_[i].name.offset != kRemoved && EqualsIgnoringCase(View(values_[i].name), name)) return i;
  }
  return std::nullopt;
}

const RegKey* RegKey::Find(std::string_view path) const {
  const RegKey* key = this;
  Segments segments(path);
  for (std::string_view segment; segments.Next(segment);) {
    const auto found = key->SubKeyPosition(segment);
    if (!found) return nullptr;
    key = &key->subkeys_[*found].key;
  }
  return key;
}

RegKey& RegKey::FindOrCreate(std::string_view path) {
  RegKey* key = this;
  Segments segments(path);
  for (std::string_view segment; segments.Next(segment);) {
    const auto place = std::lower_bound(key->subkeys_.begin(), key->subkeys_.end(), segment,
                                        [key](const SubKeyEntry& entry, std::string_view n) {
                                          return CaseInsensitiveLess()(key->View(entry.name), n);
                                        });
    const auto position = static_cast<std::size_t>(place - key->subkeys_.begin());
    if (place == key->subkeys_.end() || !EqualsIgnoringCase(key->View(place->name), segment)) {
      const TextRef old = key->OwnText(segment.size());  // the segment may view it
      const Span name = key->AppendOwned(segment);
      key->subkeys_.insert(key->subkeys_.begin() + static_cast<std::ptrdiff_t>(position), SubKeyEntry{name, RegKey()});
    }
    key = &key->subkeys_[position].key;
  }
  return *key;
}

bool RegKey::Remove(std::string_view path) {
  auto segments = SplitKeyPath(path);
  if (segments.empty()) return false;
  const auto last = segments.back();
  segments.pop_back();
  RegKey* parent = this;
  for (const auto segment : segments) {
    const auto found = parent->SubKeyPosition(segment);
    if (!found) return false;
    parent = &parent->subkeys_[*found].key;
  }
  const auto found = parent->SubKeyPosition(last);
  if (!found) return false;
  parent->subkeys_.erase(parent->subkeys_.begin() + static_cast<std::ptrdiff_t>(*found));
  return true;
}

std::optional<RegValueView> RegKey::Value(std::string_view name) const {
  const auto found = ValuePosition(name);
  if (!found) return std::nullopt;
  return ItemAt<NamedValue>(*found).value;
}

void RegKey::SetValue(std::string_view name, const RegValue& value) {
  const std::string_view data(reinterpret_cast<const char*>(value.data.data()), value.data.size());
  if (const auto found = ValuePosition(name)) {
    const TextRef old = OwnText(data.size());
    values_[*found].data = AppendOwned(data);
    values_[*found].type = value.type;
    return;
  }
  const TextRef old = OwnText(name.size() + data.size());  // the name may view it
  const Span stored_name = AppendOwned(name);
  const Span stored_data = AppendOwned(data);
  values_.push_back({stored_name, stored_data, value.type});
  if (indexes_ && indexes_->values.active()) {
    indexes_->values.Insert(values_.size() - 1, NameHash(name));
  } else if (values_.size() > kLinearLookups) {
    IndexValues();
  }
}

bool RegKey::RemoveValue(std::string_view name) {
  const auto found = ValuePosition(name);
  if (!found) return false;
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(*found));
  IndexValues();
  return true;
}

void RegKey::IndexValues() {
  if (values_.size() <= kLinearLookups) {
    if (indexes_) indexes_->values.Clear();
    return;
  }
  if (!indexes_) indexes_ = std::make_unique<Indexes>();
  indexes_->values.Clear();
  for (std::size_t i = 0; i < values_.size(); ++i) {
    if (values_[i].name.offset != kRemoved) indexes_->values.Insert(i, NameHash(View(values_[i].name)));
  }
}

RegKey::TextRef RegKey::OwnText(std::size_t extra) {
  if (text_.IsSole()) {
    const std::string& bytes = text_.get()->bytes;
    if (bytes.capacity() - bytes.size() >= extra && bytes.size() + extra <= kMaxTextSize) return {};
  }
  // A text of the key's own: what its entries view, gathered, with room for as much again. Garbage
  // that overridden values left goes with the old text.
  std::size_t live = extra;
  for (const SubKeyEntry& entry : subkeys_) live += entry.name.size;
  for (const ValueEntry& entry : values_) live += entry.name.size + entry.data.size;
  if (live > kMaxTextSize) throw std::length_error("a registry key's names and data exceed 4 GiB");
  auto* fresh = new Text;
  TextRef fresh_ref(fresh);
  fresh->bytes.reserve(std::min(std::max<std::size_t>(2 * live, 64), kMaxTextSize));
  const auto move_to_fresh = [&](Span& span) {
    if (span.offset == kRemoved) return;
    const std::string_view bytes = View(span);
    span = {static_cast<std::uint32_t>(fresh->bytes.size()), span.size};
    fresh->bytes.append(bytes);
  };
  for (SubKeyEntry& entry : subkeys_) move_to_fresh(entry.name);
  for (ValueEntry& entry : values_) {
    move_to_fresh(entry.name);
    move_to_fresh(entry.data);
  }
  return std::exchange(text_, std::move(fresh_ref));
}

RegKey::Span RegKey::AppendOwned(std::string_view bytes) {
  // Within the capacity OwnText made sure of, so what the text holds stays in place even when the
  // bytes are a view into it.
  std::string& text = text_.get()->bytes;
  const Span span{static_cast<std::uint32_t>(text.size()), static_cast<std::uint32_t>(bytes.size())};
  text.append(bytes);
  return span;
}

// ---- Reading a file's text into a tree ----

namespace {
constexpr auto kIsRemoved = [](const auto& entry) { return entry.name.offset == kRemoved; };
}  // namespace

RegKey::Builder::Builder(std::string&& text) : text_(new Text) {
  text_.get()->bytes = std::move(text);
  root_.text_ = text_;
  keys_.push_back(&root_);
}

RegKey::Builder::~Builder() = default;

RegKey::Span RegKey::Builder::SpanOf(std::string_view bytes) const {
  if (bytes.empty()) return {};
  return {static_cast<std::uint32_t>(bytes.data() - text_.get()->bytes.data()),
          static_cast<std::uint32_t>(bytes.size())};
}

std::string_view RegKey::Builder::NameOf(Span span) const {
  return {text_.get()->bytes.data() + span.offset, span.size};
}

void RegKey::Builder::OpenKey(std::string_view path) {
  LeaveKey();
  // The segments the last key opened shares with this one lead to the same keys: exports list keys in
  // tree order, so most lines look up only their last segment or two. (Only a deletion or a new subkey
  // moves keys, and each resets what it affects.)
  std::size_t depth = 0;
  bool shared = true;
  Segments segments(path);
  for (std::string_view segment; segments.Next(segment); ++depth) {
    if (shared && depth < path_.size() && EqualsIgnoringCase(segment, path_[depth])) continue;
    if (shared) {
      shared = false;
      path_.resize(depth);
      keys_.resize(depth + 1);
    }
    keys_.push_back(&Child(*keys_.back(), segment));
    path_.push_back(segment);
  }
  if (shared) {
    path_.resize(depth);
    keys_.resize(depth + 1);
  }
  current_ = keys_.back();
  // A new key's values gather apart, to be stored in a vector of their size at the end of its lines.
  values_ = current_->values_.empty() ? &fresh_values_ : &current_->values_;
}

void RegKey::Builder::LeaveKey() {
  if (values_ == &fresh_values_ && !fresh_values_.empty()) {
    current_->values_.assign(fresh_values_.begin(), fresh_values_.end());
    fresh_values_.clear();
  }
  current_ = nullptr;
  values_ = nullptr;
}

void RegKey::Builder::DeleteKey(std::string_view path) {
  LeaveKey();
  path_.clear();
  keys_.resize(1);
  RegKey* parent = &root_;
  std::string_view last;
  Segments segments(path);
  for (std::string_view segment; segments.Next(segment); last = segment) {
    if (last.empty()) continue;
    const auto found = FindSubKey(*parent, last);
    if (!found) return;
    parent = &parent->subkeys_[*found].key;
  }
  if (last.empty()) return;
  auto found = FindSubKey(*parent, last);
  if (!found) return;
  // A removal leaves its entry behind, which the order cannot step over: the subkeys go unordered.
  ++removals_;
  Unorder(*parent);
  if (parent->indexes_->subkeys.active()) {
    parent->indexes_->subkeys.Erase(*found, NameHash(last));
    ++parent->indexes_->removed_subkeys;
  }
  SubKeyEntry& entry = parent->subkeys_[*found];
  entry.name.offset = kRemoved;
  entry.key = RegKey();
}

void RegKey::Builder::Unorder(RegKey& key) {
  if (!key.indexes_) key.indexes_ = std::make_unique<Indexes>();
  if (key.indexes_->unordered_subkeys) return;
  key.indexes_->unordered_subkeys = true;
  if (key.subkeys_.size() >= kLinearLookups) IndexSubKeys(key);
}

void RegKey::Builder::IndexSubKeys(RegKey& key) {
  if (!key.indexes_) key.indexes_ = std::make_unique<Indexes>();
  NameIndex& index = key.indexes_->subkeys;
  if (index.active()) return;
  for (std::size_t i = 0; i < key.subkeys_.size(); ++i) {
    if (key.subkeys_[i].name.offset != kRemoved) index.Insert(i, NameHash(NameOf(key.subkeys_[i].name)));
  }
  subkey_indexes_.push_back(key.indexes_.get());
}

// Subkeys in order come after the last one or are among the earlier ones; those out of order (or some
// removed) are looked at one by one while few, as are subkeys in order while few; beyond, a hash table
// finds them. A key in order gets one only when a subkey other than its last is looked for: in an export
// the keys along the previous path are found without looking, and new ones come last, so most keys never
// need one.
std::optional<std::size_t> RegKey::Builder::FindSubKey(RegKey& parent, std::string_view name) {
  const std::vector<SubKeyEntry>& subkeys = parent.subkeys_;
  const Indexes* indexes = parent.indexes_.get();
  if (!indexes || !indexes->unordered_subkeys) {
    if (subkeys.empty() || CaseInsensitiveLess()(NameOf(subkeys.back().name), name)) return std::nullopt;
    if (subkeys.size() >= kLinearLookups && (!indexes || !indexes->subkeys.active())) IndexSubKeys(parent);
  }
  return Lookup(subkeys, parent, name, false);
}

RegKey& RegKey::Builder::Child(RegKey& parent, std::string_view name) {
  if (const auto found = FindSubKey(parent, name)) return parent.subkeys_[*found].key;
  std::vector<SubKeyEntry>& subkeys = parent.subkeys_;
  if ((!parent.indexes_ || !parent.indexes_->unordered_subkeys) && !subkeys.empty() &&
      !CaseInsensitiveLess()(NameOf(subkeys.back().name), name)) {
    ++unsorted_;  // a name that sorts before the last: the subkeys are sorted at the end
    Unorder(parent);
  }
  NameIndex* index = nullptr;
  if (parent.indexes_ && parent.indexes_->unordered_subkeys) {
    index = MakeRoom(subkeys, parent, false);
  } else if (parent.indexes_ && parent.indexes_->subkeys.active()) {
    index = &parent.indexes_->subkeys;
  }
  SubKeyEntry& entry = subkeys.emplace_back(SubKeyEntry{SpanOf(name), RegKey()});
  entry.key.text_ = text_;
  if (index) index->Insert(subkeys.size() - 1, NameHash(name));
  return entry.key;
}

template <class Entry>
std::optional<std::size_t> RegKey::Builder::Lookup(const std::vector<Entry>& entries, const RegKey& owner,
                                                   std::string_view name, bool values) const {
  const Indexes* indexes = owner.indexes_.get();
  const NameIndex* index = indexes ? (values ? &indexes->values : &indexes->subkeys) : nullptr;
  if (index && index->active()) {
    return index->Find(name, NameHash(name), [&](std::size_t i) { return NameOf(entries[i].name); });
  }
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const Span span = entries[i].name;
    if (span.size == name.size() && span.offset != kRemoved && EqualsIgnoringCase(NameOf(span), name)) return i;
  }
  return std::nullopt;
}

// Makes room for one more entry among those looked up by name rather than order: drops the removed ones
// once they are half of a table's entries, and indexes the entries once they are too many to look up
// one by one. Returns the table to enter the new entry in, if any.
template <class Entry>
RegKey::NameIndex* RegKey::Builder::MakeRoom(std::vector<Entry>& entries, RegKey& owner, bool values) {
  Indexes* indexes = owner.indexes_.get();
  NameIndex* index = indexes ? (values ? &indexes->values : &indexes->subkeys) : nullptr;
  if (index && index->active()) {
    const std::size_t removed = values ? indexes->removed_values : indexes->removed_subkeys;
    if (removed * 2 <= entries.size()) return index;
  } else if (entries.size() < kLinearLookups) {
    return nullptr;
  }
  std::erase_if(entries, kIsRemoved);
  if (!indexes) {
    owner.indexes_ = std::make_unique<Indexes>();
    indexes = owner.indexes_.get();
  }
  index = values ? &indexes->values : &indexes->subkeys;
  (values ? indexes->removed_values : indexes->removed_subkeys) = 0;
  index->Clear();
  if (entries.size() < kLinearLookups) return nullptr;
  for (std::size_t i = 0; i < entries.size(); ++i) index->Insert(i, NameHash(NameOf(entries[i].name)));
  if (!values) subkey_indexes_.push_back(indexes);
  return index;
}

void RegKey::Builder::SetValue(std::string_view name, std::uint32_t type, std::string_view data) {
  std::vector<ValueEntry>& values = *values_;
  if (const auto found = Lookup(values, *current_, name, true)) {
    values[*found].data = SpanOf(data);
    values[*found].type = type;
    return;
  }
  NameIndex* index = MakeRoom(values, *current_, true);
  values.push_back({SpanOf(name), SpanOf(data), type});
  if (index) index->Insert(values.size() - 1, NameHash(name));
}

void RegKey::Builder::RemoveValue(std::string_view name) {
  std::vector<ValueEntry>& values = *values_;
  const auto found = Lookup(values, *current_, name, true);
  if (!found) return;
  Indexes* indexes = current_->indexes_.get();
  if (indexes && indexes->values.active()) {
    indexes->values.Erase(*found, NameHash(name));
    ++indexes->removed_values;
  }
  values[*found].name.offset = kRemoved;
  ++removals_;
}

RegKey RegKey::Builder::Finish() {
  LeaveKey();
  path_.clear();
  keys_.clear();
  // Subkeys that came in order, values none removed, as exports are: the tree is done once the tables
  // that found subkeys by name, which served the reading only, are emptied. Otherwise each key's entries
  // are compacted, its subkeys sorted by name, its values indexed anew when many, and those tables go.
  // (A key removed took its own tables along, so the list is used only when none was.)
  if (removals_ == 0) {
    for (Indexes* indexes : subkey_indexes_) indexes->subkeys.Clear();
    if (unsorted_ == 0) return std::move(root_);
  }
  std::vector<RegKey*> pending{&root_};
  while (!pending.empty()) {
    RegKey& key = *pending.back();
    pending.pop_back();
    const bool removed_values = std::erase_if(key.values_, kIsRemoved) > 0;
    if (key.indexes_ && key.indexes_->unordered_subkeys) {
      std::erase_if(key.subkeys_, kIsRemoved);
      std::sort(key.subkeys_.begin(), key.subkeys_.end(), [this](const SubKeyEntry& a, const SubKeyEntry& b) {
        return CaseInsensitiveLess()(NameOf(a.name), NameOf(b.name));
      });
    }
    if (key.indexes_) {
      key.indexes_->unordered_subkeys = false;
      key.indexes_->subkeys.Clear();
      key.indexes_->removed_subkeys = key.indexes_->removed_values = 0;
      if (removed_values) key.IndexValues();
      if (!key.indexes_->values.active()) key.indexes_.reset();
    }
    for (SubKeyEntry& entry : key.subkeys_) {
      if (!entry.key.subkeys_.empty() || !entry.key.values_.empty()) pending.push_back(&entry.key);
    }
  }
  return std::move(root_);
}

}  // namespace quorvel::platform

// The library's read-only registry access: one value of a key, or the names of its subkeys.
// A missing key or value is an empty result, never an error; an error from the registry itself is
// passed on with this module's source text.
#pragma once

#include <string>

#include "platform/registry.h"
#include "quorvel/variant.h"

namespace quorvel::platform::MRegistryOperations {

// The access RegQueryValue asks for: query and set value, create subkey, enumerate, notify, create link.
inline constexpr std::uint32_t kQueryValueAccess = 0x3F;
// The status QueryValueEx answers for a value that is neither a string nor a double word.
inline constexpr RegStatus kUnsupportedType = -1;
inline constexpr std::uint32_t kSubkeyNameBufferSize = 255;
inline constexpr std::int32_t kSubkeyListGrowth = 100;

// Text for a string value, a Long for a double word, empty for anything else or nothing there.
// The empty value name reads the key's unnamed value.
Variant RegQueryValue(Registry& registry, HKey root, const std::string& keyPath, const std::string& valueName);

// Replaces subkeys by the names of the key's direct subkeys, lower bound 0, in the registry's
// order; true when there was at least one. Otherwise the list is one empty text and the answer false.
bool RegGetKeys(Registry& registry, HKey root, const std::string& keyPath, StringArray& subkeys);

// Reads one value of an open key into value; 0 on success, a registry status, or kUnsupportedType.
RegStatus QueryValueEx(Registry& registry, HKey key, const std::string& valueName, Variant& value);

}  // namespace quorvel::platform::MRegistryOperations

#include "platform/text_encoding.h"

#include <glib.h>

#include "platform/linux/glib_owners.h"

namespace quorvel::platform {

std::size_t InvalidUtf8Offset(std::string_view text) {
  const gchar* end = nullptr;
  if (g_utf8_validate_len(text.data(), text.size(), &end)) return std::string_view::npos;
  return static_cast<std::size_t>(end - text.data());
}

std::size_t Utf8Characters(std::string_view text) {
  if (!IsValidUtf8(text)) return text.size();
  return static_cast<std::size_t>(g_utf8_strlen(text.data(), static_cast<gssize>(text.size())));
}

std::optional<std::string> Utf16ToUtf8(std::u16string_view units, std::size_t& unitsRead) {
  glong read = 0;
  glib::Error error;
  const glib::Text utf8(g_utf16_to_utf8(reinterpret_cast<const gunichar2*>(units.data()),
                                        static_cast<glong>(units.size()), &read, nullptr, error.out()));
  unitsRead = static_cast<std::size_t>(read);
  if (!utf8) return std::nullopt;
  return std::string(utf8.get());
}

}  // namespace quorvel::platform

// Owners for what GLib and GIO hand out, so that every path out of a function frees it.
#pragma once

#include <gio/gio.h>

#include <memory>
#include <string>

namespace quorvel::platform::glib {

struct FreeText {
  void operator()(char* text) const { g_free(text); }
};
struct FreeTextList {
  void operator()(char** list) const { g_strfreev(list); }
};
struct Unref {
  void operator()(gpointer object) const { g_object_unref(object); }
};
struct UnrefVariant {
  void operator()(GVariant* value) const { g_variant_unref(value); }
};
struct FreeObjectList {
  void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};

using Text = std::unique_ptr<char, FreeText>;
using TextList = std::unique_ptr<char*, FreeTextList>;  // NULL-terminated, as g_strsplit hands it out
template <class T>
using Object = std::unique_ptr<T, Unref>;
using ObjectList = std::unique_ptr<GList, FreeObjectList>;
using Variant = std::unique_ptr<GVariant, UnrefVariant>;  // a value held, never a floating one

// The GError* a call fills in, freed with its owner:  glib::Error error; g_call(..., error.out());
class Error {
 public:
  Error() = default;
  ~Error() { g_clear_error(&error_); }
  Error(const Error&) = delete;
  Error& operator=(const Error&) = delete;

  GError** out() { return &error_; }
  std::string message() const { return error_ ? error_->message : ""; }

 private:
  GError* error_ = nullptr;
};

// A text GLib answers, or the empty text for none.
inline std::string TextOrEmpty(const char* text) { return text ? text : ""; }

}  // namespace quorvel::platform::glib

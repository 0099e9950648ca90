// Flattening a list into one line of text behind a prefix. The facade and the command-line provider
// each have their own flavour, which differ only in the points a FlatteningStyle holds.
#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "quorvel/variant.h"

namespace quorvel::lists {

struct FlatteningStyle {
  std::string_view separator;    // between items
  bool result_starts_as_prefix;  // else the result starts as the empty text
  std::string_view tag;          // of the one line flattening writes
};

using LogLineRoutine = std::function<void(std::string_view message)>;

// An array of strings gives the prefix and its non-blank elements, untrimmed, separated; a single
// non-blank string gives the prefix and the string; anything else logs
// tag + " Unknown Type: " + prefix + " " + its text form and leaves the starting result.
// Raises 9 for an array that was never dimensioned.
std::string StringArrayVar(const FlatteningStyle& style, const LogLineRoutine& logLine, const std::string& prefix,
                           const Variant& list);

}  // namespace quorvel::lists

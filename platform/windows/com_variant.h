// Values between the system's VARIANT and the library's Variant, for the late-bound objects and for a
// server that answers them. How an object crosses is the caller's: a late-bound object is one IDispatch,
// a server's object another.
#pragma once

// oleauto.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <functional>

#include "quorvel/variant.h"

namespace quorvel::platform {

// A VARIANT cleared when it goes.
struct OwnedVariant : VARIANT {
  OwnedVariant() { VariantInit(this); }
  ~OwnedVariant() { VariantClear(this); }
  OwnedVariant(const OwnedVariant&) = delete;
  OwnedVariant& operator=(const OwnedVariant&) = delete;
};

// Empty, null, an omitted argument (VT_ERROR with DISP_E_PARAMNOTFOUND), a Boolean, every integer kind
// as a Long (6 past its range), a floating number as a Double, text and an object. Anything else is 13.
Variant FromVariant(const VARIANT& value, const std::function<Variant::Object(IDispatch*)>& objectOf);
// The same kinds the other way, into an empty VARIANT; arrays are 13. dispatchOf answers an added reference.
void ToVariant(const Variant& value, VARIANT& out, const std::function<IDispatch*(const Variant::Object&)>& dispatchOf);

}  // namespace quorvel::platform

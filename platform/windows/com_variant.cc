#include "platform/windows/com_variant.h"

#include <utility>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {
namespace {
// Checked here rather than by VariantChangeType, which Wine lets wrap (an unsigned 4000000000 to a negative Long).
template <class Integer>
Variant Long(Integer number) {
  if (!std::in_range<std::int32_t>(number)) throw RuntimeError(error_number::kOverflow);
  return static_cast<std::int32_t>(number);
}
}  // namespace

Variant FromVariant(const VARIANT& value, const std::function<Variant::Object(IDispatch*)>& objectOf) {
  switch (V_VT(&value)) {
    case VT_EMPTY: return Variant::Empty{};
    case VT_NULL: return Variant::Null{};
    case VT_ERROR:
      if (V_ERROR(&value) == DISP_E_PARAMNOTFOUND) return Variant::Missing{};
      break;
    case VT_BOOL: return Variant(V_BOOL(&value) != VARIANT_FALSE);
    case VT_I1: return Long(static_cast<signed char>(V_I1(&value)));
    case VT_I2: return Long(V_I2(&value));
    case VT_I4: return Long(V_I4(&value));
    case VT_I8: return Long(V_I8(&value));
    case VT_INT: return Long(V_INT(&value));
    case VT_UI1: return Long(V_UI1(&value));
    case VT_UI2: return Long(V_UI2(&value));
    case VT_UI4: return Long(V_UI4(&value));
    case VT_UI8: return Long(V_UI8(&value));
    case VT_UINT: return Long(V_UINT(&value));
    case VT_R4: return static_cast<double>(V_R4(&value));
    case VT_R8: return V_R8(&value);
    case VT_BSTR: return Narrow({V_BSTR(&value), SysStringLen(V_BSTR(&value))});
    case VT_DISPATCH: return V_DISPATCH(&value) ? objectOf(V_DISPATCH(&value)) : Variant::Object();
  }
  throw RuntimeError(error_number::kTypeMismatch);
}

// The type is set last, so that a conversion that raises leaves the VARIANT empty.
void ToVariant(const Variant& value, VARIANT& out,
               const std::function<IDispatch*(const Variant::Object&)>& dispatchOf) {
  switch (value.Kind()) {
    case VariantKind::kEmpty: return;
    case VariantKind::kNull: V_VT(&out) = VT_NULL; return;
    case VariantKind::kMissing:
      V_ERROR(&out) = DISP_E_PARAMNOTFOUND;
      V_VT(&out) = VT_ERROR;
      return;
    case VariantKind::kBoolean:
      V_BOOL(&out) = *value.GetIf<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
      V_VT(&out) = VT_BOOL;
      return;
    case VariantKind::kLong:
      V_I4(&out) = *value.GetIf<std::int32_t>();
      V_VT(&out) = VT_I4;
      return;
    case VariantKind::kDouble:
      V_R8(&out) = *value.GetIf<double>();
      V_VT(&out) = VT_R8;
      return;
    case VariantKind::kString: {
      const std::wstring text = Widen(*value.GetIf<std::string>());
      V_BSTR(&out) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!V_BSTR(&out)) throw RuntimeError(error_number::kOutOfMemory);
      V_VT(&out) = VT_BSTR;
      return;
    }
    case VariantKind::kObject: {
      const Variant::Object& object = *value.GetIf<Variant::Object>();
      V_DISPATCH(&out) = object ? dispatchOf(object) : nullptr;
      V_VT(&out) = VT_DISPATCH;
      return;
    }
    case VariantKind::kStringArray:
    case VariantKind::kVariantArray: break;
  }
  throw RuntimeError(error_number::kTypeMismatch);
}

}  // namespace quorvel::platform

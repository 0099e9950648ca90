#include "platform/windows/com_automation.h"

#include <objbase.h>
#include <wrl/client.h>

#include <utility>

#include "platform/windows/com_variant.h"
#include "platform/windows/wide_text.h"

namespace quorvel::platform {
namespace {

// COM for this thread while an object needs it, balanced when it goes. A host that chose another model
// first (RPC_E_CHANGED_MODE) keeps it, and there is nothing to balance.
class ComForThread {
 public:
  ComForThread() : initialized_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~ComForThread() {
    if (initialized_) CoUninitialize();
  }
  ComForThread(const ComForThread&) = delete;
  ComForThread& operator=(const ComForThread&) = delete;

 private:
  const bool initialized_;
};

void Check(HRESULT status) {
  if (SUCCEEDED(status)) return;
  if (status == DISP_E_UNKNOWNNAME || status == DISP_E_MEMBERNOTFOUND)
    throw RuntimeError(error_number::kMemberNotSupported);
  if (status == DISP_E_TYPEMISMATCH) throw RuntimeError(error_number::kTypeMismatch);
  throw AutomationError(static_cast<std::int32_t>(status), SystemErrorText(static_cast<unsigned long>(status)));
}

std::string Taken(BSTR& text) {
  std::string taken = Narrow({text, SysStringLen(text)});
  SysFreeString(std::exchange(text, nullptr));
  return taken;
}

// The error the server raised. An scode in FACILITY_CONTROL carries the runtime's number in its low word
// (Outlook's 287), any other is the number itself (CDO's cancel, 0x80040113); a server may give a wCode
// instead, and one that gives neither raised DISP_E_EXCEPTION itself, never the number 0 that means none.
// Without a description of its own, the number's text.
AutomationError ServerError(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  std::string description = Taken(info.bstrDescription), source = Taken(info.bstrSource);
  SysFreeString(info.bstrHelpFile);
  const HRESULT scode = info.wCode || info.scode ? info.scode : DISP_E_EXCEPTION;
  const bool runtimes = info.wCode != 0 || HRESULT_FACILITY(scode) == FACILITY_CONTROL;
  const std::int32_t number = info.wCode ? info.wCode : runtimes ? HRESULT_CODE(scode) : scode;
  if (description.empty())
    description = runtimes ? StandardDescription(number) : SystemErrorText(static_cast<unsigned long>(scode));
  return AutomationError(number, description, source.empty() ? kLibrarySource : source);
}

}  // namespace

struct LateBoundObject::Dispatch {
  ComForThread com;  // first made, last gone: the object is released while COM still serves it
  Microsoft::WRL::ComPtr<IDispatch> object;
};

LateBoundObject::LateBoundObject(std::unique_ptr<Dispatch> dispatch) : dispatch_(std::move(dispatch)) {}
LateBoundObject::~LateBoundObject() = default;

// Read as the runtime reads a property: a server may make it either kind of member.
Variant LateBoundObject::Get(const std::string& member) {
  return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, {});
}

void LateBoundObject::Put(const std::string& member, const Variant& value) {
  Invoke(member, DISPATCH_PROPERTYPUT, {value});
}

Variant LateBoundObject::Call(const std::string& member, const std::vector<Variant>& args) {
  return Invoke(member, DISPATCH_METHOD | DISPATCH_PROPERTYGET, args);
}

Variant LateBoundObject::Invoke(const std::string& member, unsigned short flags, const std::vector<Variant>& args) {
  IDispatch& object = *dispatch_->object.Get();
  std::wstring name = Widen(member);
  LPOLESTR names[] = {name.data()};
  DISPID id = DISPID_UNKNOWN;
  Check(object.GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id));

  const auto dispatchOf = [](const Variant::Object& value) -> IDispatch* {
    const auto* late = dynamic_cast<const LateBoundObject*>(value.get());
    if (!late) throw RuntimeError(error_number::kTypeMismatch);
    late->dispatch_->object->AddRef();
    return late->dispatch_->object.Get();
  };
  static_assert(sizeof(OwnedVariant) == sizeof(VARIANT), "DISPPARAMS takes them as an array of VARIANT");
  std::vector<OwnedVariant> arguments(args.size());  // last first, as DISPPARAMS has them
  for (std::size_t i = 0; i < args.size(); ++i) ToVariant(args[i], arguments[args.size() - 1 - i], dispatchOf);
  const bool put = flags == DISPATCH_PROPERTYPUT;
  DISPID named = DISPID_PROPERTYPUT;
  DISPPARAMS params{arguments.data(), put ? &named : nullptr, static_cast<UINT>(arguments.size()), put ? 1u : 0u};

  OwnedVariant result;
  EXCEPINFO info{};
  const HRESULT status =
      object.Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, put ? nullptr : &result, &info, nullptr);
  if (status == DISP_E_EXCEPTION) throw ServerError(info);
  Check(status);
  return FromVariant(result, [](IDispatch* answered) {
    auto dispatch = std::make_unique<Dispatch>();
    dispatch->object = answered;
    return std::make_shared<LateBoundObject>(std::move(dispatch));
  });
}

std::shared_ptr<LateBoundObject> CreateLateBoundObject(const std::string& progId) {
  auto dispatch = std::make_unique<LateBoundObject::Dispatch>();
  CLSID id;
  if (FAILED(CLSIDFromProgID(Widen(progId).c_str(), &id)) ||
      FAILED(CoCreateInstance(id, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER, IID_IDispatch,
                              reinterpret_cast<void**>(dispatch->object.GetAddressOf())))) {
    throw RuntimeError(error_number::kCannotCreateObject);
  }
  return std::make_shared<LateBoundObject>(std::move(dispatch));
}

std::string TextOf(const Variant& value) {
  if (value.Is<Variant::Empty>()) return {};
  if (const auto* text = value.GetIf<std::string>()) return *text;
  throw RuntimeError(error_number::kTypeMismatch);
}

// Every object the layer answers is late-bound.
std::shared_ptr<LateBoundObject> ObjectOf(const Variant& value) {
  const auto* object = value.GetIf<Variant::Object>();
  if (!object) throw RuntimeError(error_number::kTypeMismatch);
  return std::static_pointer_cast<LateBoundObject>(*object);
}

}  // namespace quorvel::platform

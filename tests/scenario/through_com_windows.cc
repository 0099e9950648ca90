// The test server: each CDO or Outlook double served through COM as the class object of a test class
// that the prefix's registry names under the double's program identifier. Its instances are an IDispatch
// over the double's objects, one table of members per class calling the double's typed members; an error
// the double raises goes back as DISP_E_EXCEPTION, as a real server raises it.
// oleauto.h needs windows.h first.
// clang-format off
#include <windows.h>
#include <oleauto.h>
// clang-format on
#include <wrl/client.h>

#include <map>
#include <stdexcept>
#include <vector>

#include "platform/automation_servers.h"
#include "platform/windows/com_variant.h"
#include "platform/windows/wide_text.h"
#include "providers/cdo/cdo_objects.h"
#include "providers/outlook/outlook_objects.h"

namespace quorvel::scenario {
namespace {
using Microsoft::WRL::ComPtr;

// A call's arguments (a property's new value the one), each taken in the type of the member's parameter, else 13.
struct Args : std::vector<Variant> {
  template <class T>
  T As(std::size_t at) const {
    if (const T* typed = this->at(at).GetIf<T>()) return *typed;
    throw RuntimeError(error_number::kTypeMismatch);
  }
  std::string S(std::size_t at) const { return As<std::string>(at); }
  std::int32_t L(std::size_t at) const { return As<std::int32_t>(at); }
  bool B(std::size_t at) const { return As<bool>(at); }
};

struct Member {
  const wchar_t* name;
  std::function<Variant(const Args&)> get;  // a property read or a method call
  std::function<void(const Args&)> put = nullptr;
};

std::vector<Member> MembersOf(AutomationObject* o) {
  const Variant none;
  if (auto* s = dynamic_cast<cdo::Session*>(o))
    return {{L"Logon",
             [=](const Args& a) {
               const bool info = a.size() > 6 && !a[6].Is<Variant::Missing>();
               return s->Logon(a.S(0), a.S(1), a.B(2), a.B(3), a.L(4), a.B(5),
                               info ? std::optional(a.S(6)) : std::nullopt),
                      none;
             }},
            {L"GetDefaultFolder", [=](const Args& a) { return s->GetDefaultFolder(a.L(0)); }},
            {L"Logoff", [=](const Args&) { return s->Logoff(), none; }}};
  if (auto* f = dynamic_cast<cdo::Folder*>(o)) return {{L"Messages", [=](const Args&) { return f->Messages(); }}};
  if (auto* m = dynamic_cast<cdo::Messages*>(o)) return {{L"Add", [=](const Args&) { return m->Add(); }}};
  if (auto* m = dynamic_cast<cdo::Message*>(o))
    return {{L"Subject", nullptr, [=](const Args& a) { m->Subject(a.S(0)); }},
            {L"Text", [=](const Args&) { return m->Text(); }, [=](const Args& a) { m->Text(a.S(0)); }},
            {L"Importance", nullptr, [=](const Args& a) { m->Importance(a.L(0)); }},
            {L"Recipients", [=](const Args&) { return m->Recipients(); }},
            {L"Attachments", [=](const Args&) { return m->Attachments(); }},
            {L"Update", [=](const Args&) { return m->Update(), none; }},
            {L"Send", [=](const Args& a) { return m->Send(a.B(0), a.B(1), a.L(2)), none; }}};
  // CDO's Add takes a name, an address and a type.
  if (auto* r = dynamic_cast<cdo::Recipients*>(o))
    return {{L"Add", [=](const Args& a) { return r->Add(a.S(0), a.L(2)); }}};
  if (auto* r = dynamic_cast<cdo::Recipient*>(o))
    return {{L"Resolve", [=](const Args& a) { return r->Resolve(a.B(0)), none; }},
            {L"Delete", [=](const Args&) { return r->Delete(), none; }}};
  if (auto* as = dynamic_cast<cdo::Attachments*>(o)) return {{L"Add", [=](const Args&) { return as->Add(); }}};
  if (auto* at = dynamic_cast<cdo::Attachment*>(o))
    return {{L"Type", nullptr, [=](const Args& a) { at->Type(a.L(0)); }},
            {L"Position", nullptr, [=](const Args& a) { at->Position(a.L(0)); }},
            {L"Name", nullptr, [=](const Args& a) { at->Name(a.S(0)); }},
            {L"Source", nullptr, [=](const Args& a) { at->Source(a.S(0)); }},
            {L"ReadFromFile", [=](const Args& a) { return at->ReadFromFile(a.S(0)), none; }}};
  if (auto* ap = dynamic_cast<outlook::Application*>(o))
    return {{L"GetNamespace", [=](const Args& a) { return ap->GetNamespace(a.S(0)); }},
            {L"CreateItem", [=](const Args& a) { return ap->CreateItem(a.L(0)); }}};
  if (auto* n = dynamic_cast<outlook::NameSpace*>(o))
    return {{L"Logon", [=](const Args&) { return n->Logon(), none; }}};
  if (auto* i = dynamic_cast<outlook::MailItem*>(o))
    return {{L"Subject", nullptr, [=](const Args& a) { i->Subject(a.S(0)); }},
            {L"Body", [=](const Args&) { return i->Body(); }, [=](const Args& a) { i->Body(a.S(0)); }},
            {L"HTMLBody", [=](const Args&) { return i->HTMLBody(); }, [=](const Args& a) { i->HTMLBody(a.S(0)); }},
            {L"Importance", nullptr, [=](const Args& a) { i->Importance(a.L(0)); }},
            {L"Recipients", [=](const Args&) { return i->Recipients(); }},
            {L"Attachments", [=](const Args&) { return i->Attachments(); }},
            {L"Display", [=](const Args&) { return i->Display(), none; }}};
  if (auto* r = dynamic_cast<outlook::Recipients*>(o)) return {{L"Add", [=](const Args& a) { return r->Add(a.S(0)); }}};
  if (auto* r = dynamic_cast<outlook::Recipient*>(o))
    return {{L"Type", nullptr, [=](const Args& a) { r->Type(a.L(0)); }}};
  if (auto* as = dynamic_cast<outlook::Attachments*>(o))
    return {{L"Add", [=](const Args& a) { return as->Add(a.S(0), a.L(1), a.L(2), a.S(3)); }}};
  return {};  // an Outlook attachment, or an item that is no mail item: no member of ours
}

// The inverse of the library's reading: the runtime's numbers go in FACILITY_CONTROL, others as the scode.
HRESULT Raise(const AutomationError& error, EXCEPINFO& info) {
  const bool runtimes = error.number() > 0 && error.number() <= 0xFFFF;
  info.bstrSource = SysAllocString(platform::Widen(error.source()).c_str());
  info.bstrDescription = SysAllocString(platform::Widen(error.description()).c_str());
  info.scode = runtimes ? MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, error.number()) : error.number();
  return DISP_E_EXCEPTION;
}

// A double's object through IDispatch, by the table of its class's members; with `make`, also the class
// object whose instances serve what `make` answers.
struct Served final : IDispatch, IClassFactory {
  explicit Served(Variant::Object object, platform::AutomationServers::Factory make = nullptr)
      : object(std::move(object)), make(std::move(make)), members(MembersOf(this->object.get())) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    *out = nullptr;
    if (iid == IID_IUnknown || iid == IID_IDispatch) *out = static_cast<IDispatch*>(this);
    if (iid == IID_IClassFactory && make) *out = static_cast<IClassFactory*>(this);
    return *out ? (AddRef(), S_OK) : E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
  ULONG STDMETHODCALLTYPE Release() override {
    if (--references == 0) return delete this, 0;
    return references;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    *out = nullptr;
    return outer ? CLASS_E_NOAGGREGATION : Served::New(make())->QueryInterface(iid, out);
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override { return *count = 0, S_OK; }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  // The member's name alone: the library names no arguments.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT, LCID, DISPID* ids) override {
    for (DISPID id = 0; id < static_cast<DISPID>(members.size()); ++id) {
      if (_wcsicmp(names[0], members[id].name) == 0) return *ids = id, S_OK;
    }
    return *ids = DISPID_UNKNOWN, DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO* info, UINT*) override {
    const bool put = flags & DISPATCH_PROPERTYPUT;
    if (id < 0 || id >= static_cast<DISPID>(members.size()) || !(put ? !!members[id].put : !!members[id].get))
      return DISP_E_MEMBERNOTFOUND;
    try {
      Args args;  // DISPPARAMS holds them last first
      const auto no_object = [](IDispatch*) -> Variant::Object { throw RuntimeError(error_number::kTypeMismatch); };
      for (UINT i = params->cArgs; i-- > 0;) args.push_back(platform::FromVariant(params->rgvarg[i], no_object));
      if (put) return members[id].put(args), S_OK;
      const Variant answer = members[id].get(args);
      if (result) platform::ToVariant(answer, *result, [](const Variant::Object& o) { return New(o).Detach(); });
      return S_OK;
    } catch (...) {
      return info ? Raise(CaughtAsAutomationError(), *info) : DISP_E_EXCEPTION;
    }
  }

  static ComPtr<IDispatch> New(Variant::Object object, platform::AutomationServers::Factory make = nullptr) {
    return static_cast<IDispatch*>(new Served(std::move(object), std::move(make)));
  }

  const Variant::Object object;
  const platform::AutomationServers::Factory make;
  const std::vector<Member> members;
  ULONG references = 0;  // one apartment's: never used from two threads at once
};

// The test classes by the kind of double they serve, each kind under a program identifier of its own.
const std::map<std::string, CLSID> kTestClasses = {
    {"cdo-session", {0x5d0c1a61, 0x2f4b, 0x4c7e, {0x9a, 0x31, 0x6b, 0x0e, 0x52, 0x7c, 0x41, 0xd1}}},
    {"outlook-application", {0x5d0c1a62, 0x2f4b, 0x4c7e, {0x9a, 0x31, 0x6b, 0x0e, 0x52, 0x7c, 0x41, 0xd1}}},
};

}  // namespace

// COM stays initialised and the class registered until the process ends, after its one scenario. Wine's
// CLSIDFromProgID reads HKEY_CLASSES_ROOT alone, not the user's classes; parallel runs write the same.
bool ServeThroughCom(const std::string& progId, const std::string& kind, platform::AutomationServers::Factory factory) {
  const auto served = kTestClasses.find(kind);
  if (served == kTestClasses.end()) return false;
  wchar_t clsid[39];
  StringFromGUID2(served->second, clsid, 39);
  DWORD cookie = 0;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) ||
      RegSetKeyValueW(HKEY_CLASSES_ROOT, (platform::Widen(progId) + L"\\CLSID").c_str(), nullptr, REG_SZ, clsid,
                      sizeof clsid) != ERROR_SUCCESS ||
      FAILED(CoRegisterClassObject(served->second, Served::New(nullptr, factory).Get(), CLSCTX_INPROC_SERVER,
                                   REGCLS_MULTIPLEUSE, &cookie)))
    throw std::runtime_error("cannot serve " + progId + " through COM");
  return true;
}

}  // namespace quorvel::scenario

#include "platform/windows/system_library.h"

#include <windows.h>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {

SystemLibrary::SystemLibrary(const std::string& fileName)
    : module_(LoadLibraryExW(Widen(fileName).c_str(), nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
  if (!module_) failure_ = SystemErrorText(GetLastError());
}

SystemLibrary::~SystemLibrary() {
  if (module_) FreeLibrary(static_cast<HMODULE>(module_));
}

SystemLibrary::Function SystemLibrary::Find(const char* name) const {
  if (!module_) return nullptr;
  return reinterpret_cast<Function>(GetProcAddress(static_cast<HMODULE>(module_), name));
}

}  // namespace quorvel::platform

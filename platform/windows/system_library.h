// A DLL of the system's own folder, loaded from there alone (LoadLibraryExW with
// LOAD_LIBRARY_SEARCH_SYSTEM32: Windows 8, or 7 with KB2533623), so that a DLL of the same name planted
// beside the program or in the current folder is never loaded in its place. Freed when its owner goes.
#pragma once

#include <string>

namespace quorvel::platform {

class SystemLibrary {
 public:
  // Any exported function, to be cast back to its own type: the one type such casts go through cleanly.
  using Function = void (*)();

  // fileName: the DLL's file name alone ("mapi32.dll").
  explicit SystemLibrary(const std::string& fileName);
  ~SystemLibrary();
  SystemLibrary(const SystemLibrary&) = delete;
  SystemLibrary& operator=(const SystemLibrary&) = delete;

  bool loaded() const { return module_ != nullptr; }
  // Why the DLL did not load, in the system's words; empty when it did.
  const std::string& failure() const { return failure_; }

  // The function the DLL exports under that name; null when it exports none or did not load.
  Function Find(const char* name) const;
  template <typename F>
  F* Find(const char* name) const {
    return reinterpret_cast<F*>(Find(name));
  }

 private:
  void* module_ = nullptr;
  std::string failure_;
};

}  // namespace quorvel::platform

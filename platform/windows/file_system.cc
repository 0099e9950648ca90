#include "platform/local_file_system.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>

#include "platform/path_error.h"
#include "platform/windows/unique_handle.h"
#include "platform/windows/wide_text.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {

using error_number::kPathFileAccessError;
using error_number::kPathNotFound;
using error_number::kPermissionDenied;

constexpr std::string_view kSeparators = "\\/";

DWORD Attributes(const std::string& path) { return GetFileAttributesW(Widen(path).c_str()); }

bool IsFolder(DWORD attributes) {
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool FolderExists(const std::string& path) {
  const std::size_t separator = path.find_last_of(kSeparators);
  return separator == std::string::npos || IsFolder(Attributes(path.substr(0, separator + 1)));
}

// The runtime's number for a failed open. Without create, a missing file and a missing folder may both
// come back as ERROR_FILE_NOT_FOUND, so the folder decides which one it was; a folder opened as a file
// is denied, which is no matter of permission.
std::int32_t OpenErrorNumber(DWORD error, const std::string& path, bool create) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: return !create && FolderExists(path) ? error_number::kFileNotFound : kPathNotFound;
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY: return kPathNotFound;
    case ERROR_ACCESS_DENIED: return IsFolder(Attributes(path)) ? kPathFileAccessError : kPermissionDenied;
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return kPermissionDenied;
    default: return kPathFileAccessError;
  }
}

// A file on disk that is neither a folder nor a link of any kind, and has no other name.
bool IsLoneRegularFile(HANDLE file) {
  BY_HANDLE_FILE_INFORMATION information{};
  return GetFileType(file) == FILE_TYPE_DISK && GetFileInformationByHandle(file, &information) &&
         (information.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) == 0 &&
         information.nNumberOfLinks == 1;
}

class HandleTextStream : public TextStream {
 public:
  HandleTextStream(UniqueHandle file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

  // Nothing is buffered here, so a full disk is reported by the Write that met it.
  void Write(const std::string& text) override {
    if (!file_.valid()) throw PathError(error_number::kInvalidProcedureCall, path_);
    std::string_view rest = text;
    while (!rest.empty()) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(rest.size(), MAXDWORD));
      if (!WriteFile(file_.get(), rest.data(), chunk, &written, nullptr) || written == 0) {
        throw PathError(kPathFileAccessError, path_);
      }
      rest.remove_prefix(written);
    }
  }

  void Close() override {
    if (!file_.Close()) throw PathError(kPathFileAccessError, path_);
  }

 private:
  UniqueHandle file_;
  std::string path_;
};

}  // namespace

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.find('\0') != std::string::npos) return false;
  const DWORD attributes = Attributes(path);
  return attributes != INVALID_FILE_ATTRIBUTES && !IsFolder(attributes);
}

std::string LocalFileSystem::GetFileName(const std::string& path) { return LastPathComponent(path, kSeparators); }

std::unique_ptr<TextStream> LocalFileSystem::OpenTextFile(const std::string& path, int ioMode, bool create,
                                                          int format) {
  CheckTextFileRequest(path, ioMode, format);
  // The link itself is opened, never what it leads to, so a planted link (dangling or not) is refused
  // below rather than written through or created at its target. Appending data alone makes every write
  // land at the end, as O_APPEND does. Others may share the file as they could on Linux.
  const DWORD access =
      FILE_READ_ATTRIBUTES | (ioMode == io_mode::kForAppending ? FILE_APPEND_DATA | SYNCHRONIZE : GENERIC_WRITE);
  UniqueHandle file(CreateFileW(Widen(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, create ? OPEN_ALWAYS : OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!file.valid()) throw PathError(OpenErrorNumber(GetLastError(), path, create), path);
  if (!IsLoneRegularFile(file.get())) throw PathError(kPathFileAccessError, path, "not a file of this user's own");
  // Emptied only once it is known to be a plain file, so a planted name costs nothing but this write.
  if (ioMode == io_mode::kForWriting && !SetEndOfFile(file.get())) throw PathError(kPathFileAccessError, path);
  return std::make_unique<HandleTextStream>(std::move(file), path);
}

}  // namespace quorvel::platform

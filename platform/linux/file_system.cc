#include "platform/local_file_system.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/linux/unique_fd.h"
#include "platform/path_error.h"
#include "quorvel/error.h"

namespace quorvel::platform {

namespace {
namespace fs = std::filesystem;

using error_number::kPathFileAccessError;
using error_number::kPathNotFound;
using error_number::kPermissionDenied;

bool FolderExists(const std::string& path) {
  fs::path folder = fs::path(path).parent_path();
  if (folder.empty()) folder = ".";
  std::error_code ignored;
  return fs::is_directory(folder, ignored);
}

// The runtime's number for a failed open. Without create, a missing file and a missing folder both
// come back as ENOENT, so the folder decides which one it was.
std::int32_t OpenErrorNumber(int error, const std::string& path, bool create) {
  switch (error) {
    case ENOENT: return !create && FolderExists(path) ? error_number::kFileNotFound : kPathNotFound;
    case ENOTDIR: return kPathNotFound;
    case EACCES:
    case EPERM:
    case EROFS: return kPermissionDenied;
    default: return kPathFileAccessError;
  }
}

class DescriptorTextStream : public TextStream {
 public:
  DescriptorTextStream(UniqueFd file, std::string path) : file_(std::move(file)), path_(std::move(path)) {}

  // Nothing is buffered here, so a full disk is reported by the Write that met it.
  void Write(const std::string& text) override {
    if (!file_.valid()) throw PathError(error_number::kInvalidProcedureCall, path_);
    if (WriteAll(file_.get(), text) != 0) throw PathError(kPathFileAccessError, path_);
  }

  void Close() override {
    if (file_.Close() != 0) throw PathError(kPathFileAccessError, path_);
  }

 private:
  UniqueFd file_;
  std::string path_;
};
}  // namespace

bool LocalFileSystem::FileExists(const std::string& path) {
  if (path.find('\0') != std::string::npos) return false;
  std::error_code ignored;
  return fs::is_regular_file(path, ignored);
}

std::string LocalFileSystem::GetFileName(const std::string& path) { return LastPathComponent(path, "/"); }

std::unique_ptr<TextStream> LocalFileSystem::OpenTextFile(const std::string& path, int ioMode, bool create,
                                                          int format) {
  CheckTextFileRequest(path, ioMode, format);
  // Never through a link, and never a FIFO's wait for a reader; truncated only once it is known to
  // be the user's own file, so a planted name costs nothing but this write.
  int flags = O_WRONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | (ioMode == io_mode::kForAppending ? O_APPEND : 0);
  if (create) flags |= O_CREAT;
  UniqueFd file;
  do {
    file = UniqueFd(::open(path.c_str(), flags, 0600));
  } while (!file.valid() && errno == EINTR);
  if (!file.valid()) throw PathError(OpenErrorNumber(errno, path, create), path);
  struct stat status {};
  if (::fstat(file.get(), &status) != 0 || !S_ISREG(status.st_mode) || status.st_uid != ::geteuid() ||
      status.st_nlink != 1) {
    throw PathError(kPathFileAccessError, path, "not a file of this user's own");
  }
  // A file that was there before keeps no wider mode than a new one gets.
  if (::fchmod(file.get(), 0600) != 0 || (ioMode == io_mode::kForWriting && ::ftruncate(file.get(), 0) != 0)) {
    throw PathError(kPathFileAccessError, path);
  }
  return std::make_unique<DescriptorTextStream>(std::move(file), path);
}

}  // namespace quorvel::platform

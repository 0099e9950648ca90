#include "platform/linux/hive_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "platform/linux/unique_fd.h"
#include "platform/path_error.h"
#include "platform/reg_file.h"

namespace quorvel::platform {

namespace {

namespace fs = std::filesystem;

bool SameIdentity(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino && a.st_mode == b.st_mode && a.st_uid == b.st_uid &&
         a.st_gid == b.st_gid && a.st_size == b.st_size && a.st_mtim.tv_sec == b.st_mtim.tv_sec &&
         a.st_mtim.tv_nsec == b.st_mtim.tv_nsec && a.st_ctim.tv_sec == b.st_ctim.tv_sec &&
         a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
}

// The nearest folder that exists on the path of a missing file, with its status; empty when none does.
fs::path NearestFolder(const fs::path& path, struct stat& status) {
  for (auto folder = path.parent_path(); !folder.empty(); folder = folder.parent_path()) {
    if (::stat(folder.c_str(), &status) == 0) return folder;
    if (folder == folder.parent_path()) break;
  }
  return {};
}

}  // namespace

RegKey ReadHiveFile(const std::filesystem::path& path, std::string_view rootName) {
  // Non-blocking, so that a FIFO in the hive's place is refused below instead of waiting for a writer.
  const UniqueFd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!file.valid()) {
    if (errno == ENOENT) return RegKey{};
    RaiseAccessError(path.string(), std::strerror(errno));
  }
  const int fd = file.get();
  struct stat status {};
  if (::fstat(fd, &status) != 0) RaiseAccessError(path.string(), std::strerror(errno));
  if (!S_ISREG(status.st_mode)) RaiseAccessError(path.string(), "not a regular file");
  if (static_cast<std::uintmax_t>(status.st_size) > kMaxHiveFileSize)
    RaiseAccessError(path.string(), "larger than a hive file can be");

  // Read into a string of the file's size (and a byte more, to see the end without growing it), which
  // the tree then keeps as its text. A file that grows meanwhile is read on to the limit.
  std::string bytes(static_cast<std::size_t>(status.st_size) + 1, '\0');
  std::size_t size = 0;
  for (;;) {
    if (size == bytes.size()) bytes.resize(std::min(2 * bytes.size(), kMaxHiveFileSize + 1));
    const ssize_t count = ::read(fd, bytes.data() + size, bytes.size() - size);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) RaiseAccessError(path.string(), std::strerror(errno));
    if (count == 0) break;
    size += static_cast<std::size_t>(count);
    if (size > kMaxHiveFileSize) RaiseAccessError(path.string(), "larger than a hive file can be");
  }
  bytes.resize(size);
  return ParseOwnedRegFile(std::move(bytes), rootName, path.string());
}

// A hive is kept with the identity of the file, or while it is missing, of the nearest folder on its
// path (making the file, or a folder on the way to it, changes that folder's mtime). Every writer of a
// hive replaces it by a rename, so a new file is a new inode; an edit in place changes the mtime,
// unless it lands in the clock tick of the change before it, when only a new size shows it. The
// writability answer is kept with it: it follows from the mode, owner and access control list of the
// file or that folder, whose mode and owner are compared and any of which changes the ctime; a stat
// that succeeds shows the folders above can still be searched. Not seen: a file system remounted
// read-only (whose writes then fail anyway) and a change of this process's own user or groups, which
// the library never makes.
KeptHiveFile::Hive KeptHiveFile::Read(const fs::path& path, std::string_view rootName) {
  const std::lock_guard lock(mutex_);
  struct stat status {};
  const int error = ::stat(path.c_str(), &status) == 0 ? 0 : errno;
  if (kept_ && kept_->path == path && Unchanged(*kept_, error, status)) return kept_->hive;
  kept_.reset();  // a read that raises keeps nothing stale
  fs::path nearest_folder;
  if (error != 0) nearest_folder = NearestFolder(path, status);
  // Stated before it is read: a change in between is seen as a new identity at the next call.
  Hive hive{std::make_shared<const RegKey>(ReadHiveFile(path, rootName)),
            error == 0 ? ::access(path.c_str(), W_OK) == 0
                       : !nearest_folder.empty() && ::access(nearest_folder.c_str(), W_OK | X_OK) == 0};
  // A path that cannot be stated for another reason is asked afresh each time, as it mostly raises.
  if (error == 0 || error == ENOENT) kept_.emplace(Kept{path, error != 0, std::move(nearest_folder), status, hive});
  return hive;
}

bool KeptHiveFile::Unchanged(const Kept& kept, int statError, const struct stat& status) {
  if (statError == 0) return !kept.missing && SameIdentity(kept.identity, status);
  if (statError != ENOENT || !kept.missing) return false;
  struct stat folder {};
  return kept.nearest_folder.empty() ||
         (::stat(kept.nearest_folder.c_str(), &folder) == 0 && SameIdentity(kept.identity, folder));
}

}  // namespace quorvel::platform

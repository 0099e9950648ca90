#include "platform/linux/private_files.h"

#include <fcntl.h>
#include <glib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <ctime>

namespace quorvel::platform {

namespace {

// A listing of the open folder on a descriptor of its own, so that the folder stays open after it.
UniqueDir ListFolder(int folder) {
  UniqueFd listed(::dup(folder));
  if (!listed.valid()) return nullptr;
  UniqueDir listing(::fdopendir(listed.get()));
  if (listing) listed.Release();
  return listing;
}

// Calls back with each entry's name but "." and "..".
template <typename Visit>
void ForEachEntry(int folder, const Visit& visit) {
  const UniqueDir listing = ListFolder(folder);
  if (!listing) return;
  while (const dirent* entry = ::readdir(listing.get())) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") visit(entry->d_name);
  }
}

// A folder and what it holds.
void RemoveFolder(int parent, const char* name) {
  const UniqueFd opened(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!opened.valid()) return;
  ForEachEntry(opened.get(), [&](const char* file) { ::unlinkat(opened.get(), file, 0); });
  ::unlinkat(parent, name, AT_REMOVEDIR);
}

// Copies what is left to read of one file to the other: 0, or the errno.
int CopyRest(int from, int to) {
  std::array<char, 64 * 1024> buffer{};
  for (;;) {
    const ssize_t read = ::read(from, buffer.data(), buffer.size());
    if (read < 0 && errno == EINTR) continue;
    if (read < 0) return errno;
    if (read == 0) return 0;
    if (const int error = WriteAll(to, std::string_view(buffer.data(), static_cast<std::size_t>(read)))) return error;
  }
}

// Closes the new file; on any failure before or now removes it: 0, or the errno.
int Finish(UniqueFd& file, const std::string& path, int error) {
  if (const int closed = file.Close(); error == 0) error = closed;
  if (error != 0) ::unlink(path.c_str());
  return error;
}

}  // namespace

PrivateFolder OpenPrivateFolder(const std::string& path) {
  const auto open_folder = [&] {
    return UniqueFd(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  };
  UniqueFd opened = open_folder();
  // Made only when it cannot be opened, mostly the first time: any other failure then comes from the
  // making or the opening after it, as it always did.
  if (!opened.valid()) {
    if (g_mkdir_with_parents(path.c_str(), 0700) != 0) return {.error = errno};
    opened = open_folder();
    if (!opened.valid()) return {.error = errno};
  }
  struct stat status {};
  if (::fstat(opened.get(), &status) != 0) return {.error = errno};
  if (status.st_uid != ::geteuid()) return {.of_another_user = true};
  // The user's own folder, made with a wider mode by someone's hand, is kept from other users now.
  if ((status.st_mode & 077) != 0 && ::fchmod(opened.get(), 0700) != 0) return {.error = errno};
  return {.opened = std::move(opened)};
}

bool IsPrivateFolder(const std::string& path) {
  struct stat status {};
  return ::lstat(path.c_str(), &status) == 0 && S_ISDIR(status.st_mode) && status.st_uid == ::geteuid() &&
         (status.st_mode & 077) == 0;
}

void RemoveOlderThan(const PrivateFolder& folder, std::chrono::seconds age, std::string_view file_prefix,
                     std::string_view folder_prefix) {
  const int opened = folder.opened.get();
  const std::time_t oldest = std::time(nullptr) - age.count();
  ForEachEntry(opened, [&](const char* name) {
    struct stat status {};
    if (::fstatat(opened, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || status.st_mtime >= oldest) return;
    const std::string_view entry = name;
    if (entry.starts_with(file_prefix) && S_ISREG(status.st_mode)) ::unlinkat(opened, name, 0);
    if (entry.starts_with(folder_prefix) && S_ISDIR(status.st_mode)) RemoveFolder(opened, name);
  });
}

NewFile WriteNewFile(std::string path_template, std::string_view text) {
  UniqueFd file(g_mkstemp_full(path_template.data(), O_WRONLY | O_CLOEXEC, 0600));
  if (!file.valid()) return {.error = errno};
  const int error = Finish(file, path_template, WriteAll(file.get(), text));
  return {.path = std::move(path_template), .error = error};
}

FileForReading OpenRegularFile(const std::string& path) {
  // Not blocking, so that a named pipe is refused below rather than waited on.
  UniqueFd file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!file.valid()) return {.error = errno};
  struct stat status {};
  if (::fstat(file.get(), &status) != 0) return {.error = errno};
  if (S_ISDIR(status.st_mode)) return {.found = Found::kFolder};
  if (!S_ISREG(status.st_mode)) return {.found = Found::kOtherFile};
  return {.found = Found::kRegularFile, .file = std::move(file)};
}

int CopyToNewFile(const UniqueFd& from, const std::string& path) {
  UniqueFd file(::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600));
  if (!file.valid()) return errno;
  return Finish(file, path, CopyRest(from.get(), file.get()));
}

}  // namespace quorvel::platform

#include "providers/mapi/linux/body_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "platform/linux/glib_owners.h"
#include "platform/linux/unique_fd.h"
#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi {

namespace {

using platform::UniqueFd;
namespace glib = platform::glib;

constexpr std::string_view kFilePrefix = "body-";
constexpr std::string_view kCopyFolderPrefix = "attachment-";
constexpr std::time_t kKeptFor = 24 * 60 * 60;
constexpr std::string_view kBody = "the message body";
constexpr std::string_view kCopy = "the attachment's copy";

AutomationError CannotWrite(std::string_view what, const std::string& path, int error) {
  return MapiError(mapi_error::kFailure,
                   std::string(what) + " could not be written to " + path + ": " + g_strerror(error));
}

// The folder, opened without following a link, once it is known to be the user's own and private.
UniqueFd OpenPrivateFolder(std::string_view what, const std::string& folder) {
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) throw CannotWrite(what, folder, errno);
  UniqueFd opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!opened.valid()) throw CannotWrite(what, folder, errno);
  struct stat status {};
  if (::fstat(opened.get(), &status) != 0) throw CannotWrite(what, folder, errno);
  if (status.st_uid != ::geteuid()) {
    throw MapiError(mapi_error::kFailure,
                    std::string(what) + " is not written to " + folder + ", a folder of another user");
  }
  // The user's own folder, made with a wider mode by someone's hand, is kept from other users now.
  if ((status.st_mode & 077) != 0 && ::fchmod(opened.get(), 0700) != 0) throw CannotWrite(what, folder, errno);
  return opened;
}

// Calls back with each entry's name but "." and "..", while the folder is open.
template <typename Visit>
void ForEachEntry(int folder, const Visit& visit) {
  const int listed = ::dup(folder);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (!entries) {
    ::close(listed);
    return;
  }
  while (const dirent* entry = ::readdir(entries)) {
    const std::string_view name = entry->d_name;
    if (name != "." && name != "..") visit(entry->d_name);
  }
  ::closedir(entries);
}

// A copy's folder and what it holds.
void RemoveCopyFolder(int folder, const char* name) {
  const UniqueFd opened(::openat(folder, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!opened.valid()) return;
  ForEachEntry(opened.get(), [&](const char* file) { ::unlinkat(opened.get(), file, 0); });
  ::unlinkat(folder, name, AT_REMOVEDIR);
}

// Body files and copies a client had a day to read.
void RemoveOldFiles(int folder) {
  const std::time_t oldest = std::time(nullptr) - kKeptFor;
  ForEachEntry(folder, [&](const char* name) {
    struct stat status {};
    if (::fstatat(folder, name, &status, AT_SYMLINK_NOFOLLOW) != 0 || status.st_mtime >= oldest) return;
    const std::string_view entry = name;
    if (entry.starts_with(kFilePrefix) && S_ISREG(status.st_mode)) ::unlinkat(folder, name, 0);
    if (entry.starts_with(kCopyFolderPrefix) && S_ISDIR(status.st_mode)) RemoveCopyFolder(folder, name);
  });
}

// Writes all of the text: 0, or the errno.
int WriteAll(int file, std::string_view text) {
  while (!text.empty()) {
    const ssize_t written = ::write(file, text.data(), text.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return written < 0 ? errno : ENOSPC;
    text.remove_prefix(static_cast<std::size_t>(written));
  }
  return 0;
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

}  // namespace

std::string PrivateBodyFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return std::string(runtime) + "/quorvel";
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string temp = tmpdir && tmpdir[0] == '/' ? tmpdir : "/tmp";
  std::string folder = temp + "/quorvel-XXXXXX";
  if (!g_mkdtemp_full(folder.data(), 0700)) throw CannotWrite(kBody, temp, errno);
  return folder;
}

std::string WriteBodyFile(const std::string& folder, const std::string& body) {
  const UniqueFd opened_folder = OpenPrivateFolder(kBody, folder);
  RemoveOldFiles(opened_folder.get());
  // The folder is the user's alone, so the name g_mkstemp_full picks cannot be taken by anyone else.
  std::string path = folder + "/" + std::string(kFilePrefix) + "XXXXXX.txt";
  UniqueFd file(g_mkstemp_full(path.data(), O_WRONLY | O_CLOEXEC, 0600));
  if (!file.valid()) throw CannotWrite(kBody, folder, errno);
  int error = WriteAll(file.get(), body);
  if (const int closed = file.Close(); error == 0) error = closed;
  if (error != 0) {
    ::unlink(path.c_str());
    throw CannotWrite(kBody, path, error);
  }
  return path;
}

CopiedFile CopyAttachment(const std::string& folder, const std::string& path) {
  // Not blocking, so that a named pipe is refused below rather than waited on.
  const UniqueFd source(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  if (!source.valid()) return {.why_not = errno == ELOOP ? "it is a symbolic link" : g_strerror(errno)};
  struct stat status {};
  if (::fstat(source.get(), &status) != 0) return {.why_not = g_strerror(errno)};
  if (S_ISDIR(status.st_mode)) return {.why_not = "it is a folder"};
  if (!S_ISREG(status.st_mode)) return {.why_not = "it is not a regular file"};

  const UniqueFd opened_folder = OpenPrivateFolder(kCopy, folder);
  RemoveOldFiles(opened_folder.get());
  std::string copy_folder = folder + "/" + std::string(kCopyFolderPrefix) + "XXXXXX";
  if (!g_mkdtemp_full(copy_folder.data(), 0700)) throw CannotWrite(kCopy, folder, errno);
  const glib::Text name(g_path_get_basename(path.c_str()));
  const std::string copy = copy_folder + "/" + name.get();
  int error = 0;
  if (UniqueFd file(::open(copy.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)); file.valid()) {
    error = CopyRest(source.get(), file.get());
    if (const int closed = file.Close(); error == 0) error = closed;
    if (error != 0) ::unlink(copy.c_str());
  } else {
    error = errno;
  }
  if (error != 0) {
    ::rmdir(copy_folder.c_str());
    throw CannotWrite(kCopy, copy, error);
  }
  return {.path = copy};
}

}  // namespace quorvel::mapi

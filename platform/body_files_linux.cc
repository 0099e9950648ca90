#include "platform/body_files_linux.h"

#include <dirent.h>
#include <fcntl.h>
#include <glib.h>
#include <glib/gstdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <string_view>

#include "platform/glib_owners_linux.h"
#include "platform/mapi_controls.h"
#include "platform/unique_fd_linux.h"

namespace quorvel::platform {

namespace {

using mapi::MapiError;
namespace mapi_error = mapi::mapi_error;

constexpr std::string_view kFilePrefix = "body-";
constexpr std::time_t kKeptFor = 24 * 60 * 60;

AutomationError CannotWrite(const std::string& path, int error) {
  return MapiError(mapi_error::kFailure, "the message body could not be written to " + path + ": " + g_strerror(error));
}

// The folder, opened without following a link, once it is known to be the user's own and private.
UniqueFd OpenPrivateFolder(const std::string& folder) {
  if (g_mkdir_with_parents(folder.c_str(), 0700) != 0) throw CannotWrite(folder, errno);
  UniqueFd opened(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  if (!opened.valid()) throw CannotWrite(folder, errno);
  struct stat status {};
  if (::fstat(opened.get(), &status) != 0) throw CannotWrite(folder, errno);
  if (status.st_uid != ::geteuid()) {
    throw MapiError(mapi_error::kFailure,
                    "the message body is not written to " + folder + ", a folder of another user");
  }
  // The user's own folder, made with a wider mode by someone's hand, is kept from other users now.
  if ((status.st_mode & 077) != 0 && ::fchmod(opened.get(), 0700) != 0) throw CannotWrite(folder, errno);
  return opened;
}

// Body files a client had a day to read.
void RemoveOldBodyFiles(int folder) {
  const int listed = ::dup(folder);
  if (listed < 0) return;
  DIR* entries = ::fdopendir(listed);
  if (!entries) {
    ::close(listed);
    return;
  }
  const std::time_t oldest = std::time(nullptr) - kKeptFor;
  while (const dirent* entry = ::readdir(entries)) {
    struct stat status {};
    if (std::string_view(entry->d_name).starts_with(kFilePrefix) &&
        ::fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
        status.st_mtime < oldest) {
      ::unlinkat(folder, entry->d_name, 0);
    }
  }
  ::closedir(entries);
}

}  // namespace

std::string PrivateBodyFolder() {
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");
  if (runtime && runtime[0] == '/') return std::string(runtime) + "/quorvel";
  const char* tmpdir = std::getenv("TMPDIR");
  const std::string temp = tmpdir && tmpdir[0] == '/' ? tmpdir : "/tmp";
  std::string folder = temp + "/quorvel-XXXXXX";
  if (!g_mkdtemp_full(folder.data(), 0700)) throw CannotWrite(temp, errno);
  return folder;
}

std::string WriteBodyFile(const std::string& folder, const std::string& body) {
  const UniqueFd opened_folder = OpenPrivateFolder(folder);
  RemoveOldBodyFiles(opened_folder.get());
  // The folder is the user's alone, so the name g_mkstemp_full picks cannot be taken by anyone else.
  std::string path = folder + "/" + std::string(kFilePrefix) + "XXXXXX.txt";
  UniqueFd file(g_mkstemp_full(path.data(), O_WRONLY | O_CLOEXEC, 0600));
  if (!file.valid()) throw CannotWrite(folder, errno);
  std::string_view rest = body;
  while (!rest.empty()) {
    const ssize_t written = ::write(file.get(), rest.data(), rest.size());
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) {
      const int error = written < 0 ? errno : ENOSPC;
      ::unlink(path.c_str());
      throw CannotWrite(path, error);
    }
    rest.remove_prefix(static_cast<std::size_t>(written));
  }
  if (const int error = file.Close(); error != 0) {
    ::unlink(path.c_str());
    throw CannotWrite(path, error);
  }
  return path;
}

}  // namespace quorvel::platform

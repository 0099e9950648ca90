#include "providers/mapi/linux/body_files.h"

#include <glib.h>
#include <glib/gstdio.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string_view>

#include "platform/linux/glib_owners.h"
#include "platform/linux/private_files.h"
#include "providers/mapi/mapi_controls.h"

namespace quorvel::mapi {

namespace {

namespace glib = platform::glib;

constexpr std::string_view kFilePrefix = "body-";
constexpr std::string_view kCopyFolderPrefix = "attachment-";
constexpr std::chrono::hours kKeptFor{24};
constexpr std::chrono::hours kClearedEvery{1};
constexpr std::string_view kBody = "the message body";
constexpr std::string_view kCopy = "the attachment's copy";

AutomationError CannotWrite(std::string_view what, const std::string& path, int error) {
  return MapiError(mapi_error::kFailure,
                   std::string(what) + " could not be written to " + path + ": " + g_strerror(error));
}

// Whether the folder is due for clearing: at most once an hour in this process, since listing the
// folder cost a send more than writing its body file. A file then goes between 24 and 25 hours old,
// given writes to its folder.
bool ClearingDue(const std::string& folder) {
  static std::mutex mutex;
  static std::map<std::string, std::chrono::steady_clock::time_point> cleared;  // within the hour
  const auto now = std::chrono::steady_clock::now();
  const std::lock_guard lock(mutex);
  std::erase_if(cleared, [&](const auto& entry) { return now - entry.second >= kClearedEvery; });
  return cleared.try_emplace(folder, now).second;
}

// Makes the folder ready for a new file: the user's own and private (checked at every write, as the
// path may have come to name another user's folder), cleared of the body files and copies a client
// had a day to read.
void PrepareFolder(std::string_view what, const std::string& folder) {
  const bool clearing = ClearingDue(folder);
  if (!clearing && platform::IsPrivateFolder(folder)) return;
  const platform::PrivateFolder opened = platform::OpenPrivateFolder(folder);
  if (opened.of_another_user) {
    throw MapiError(mapi_error::kFailure,
                    std::string(what) + " is not written to " + folder + ", a folder of another user");
  }
  if (!opened.opened.valid()) throw CannotWrite(what, folder, opened.error);
  if (clearing) platform::RemoveOlderThan(opened, kKeptFor, kFilePrefix, kCopyFolderPrefix);
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

std::string WriteBodyFile(const std::string& folder, std::string_view body) {
  PrepareFolder(kBody, folder);
  // The folder is the user's alone, so the name picked for the file cannot be taken by anyone else.
  const platform::NewFile file = platform::WriteNewFile(folder + "/" + std::string(kFilePrefix) + "XXXXXX.txt", body);
  if (file.error != 0) throw CannotWrite(kBody, file.path.empty() ? folder : file.path, file.error);
  return file.path;
}

CopiedFile CopyAttachment(const std::string& folder, const std::string& path) {
  const platform::FileForReading source = platform::OpenRegularFile(path);
  switch (source.found) {
    case platform::Found::kError:
      return {.why_not = source.error == ELOOP ? "it is a symbolic link" : g_strerror(source.error)};
    case platform::Found::kFolder: return {.why_not = "it is a folder"};
    case platform::Found::kOtherFile: return {.why_not = "it is not a regular file"};
    case platform::Found::kRegularFile: break;
  }

  PrepareFolder(kCopy, folder);
  std::string copy_folder = folder + "/" + std::string(kCopyFolderPrefix) + "XXXXXX";
  if (!g_mkdtemp_full(copy_folder.data(), 0700)) throw CannotWrite(kCopy, folder, errno);
  const glib::Text name(g_path_get_basename(path.c_str()));
  const std::string copy = copy_folder + "/" + name.get();
  if (const int error = platform::CopyToNewFile(source.file, copy)) {
    g_rmdir(copy_folder.c_str());
    throw CannotWrite(kCopy, copy, error);
  }
  return {.path = copy};
}

}  // namespace quorvel::mapi

// Files kept from other users and from what they plant: a folder of the user's own with mode 0700,
// new files of mode 0600 that no existing name or link can stand in for, and files read without
// following a link or waiting on a named pipe. Failures come back as errno values, for the caller to
// word.
#pragma once

#include <chrono>
#include <string>
#include <string_view>

#include "platform/linux/unique_fd.h"

namespace quorvel::platform {

// The folder, made with mode 0700 (and its parents) when missing, opened without following a link.
struct PrivateFolder {
  UniqueFd opened{};             // valid when the folder is the user's own and closed to other users
  bool of_another_user = false;  // else why not: the folder is another user's,
  int error = 0;                 // or the errno
};
// A folder of the user's own with a wider mode is narrowed to 0700.
PrivateFolder OpenPrivateFolder(const std::string& path);

// Whether the path already names a folder as OpenPrivateFolder leaves one (not a link, the user's own,
// closed to other users), found without opening it; false for anything else, which OpenPrivateFolder
// then makes, narrows or refuses.
bool IsPrivateFolder(const std::string& path);

// Removes from the folder the regular files named file_prefix… and the folders named folder_prefix…
// (with the files in them) last changed more than age ago. A link is never followed; what cannot be
// removed stays for the next time.
void RemoveOlderThan(const PrivateFolder& folder, std::chrono::seconds age, std::string_view file_prefix,
                     std::string_view folder_prefix);

// A new file written with mode 0600: its path, or the errno (with no path when no file was made, else
// with the path of the file, removed again).
struct NewFile {
  std::string path{};
  int error = 0;
};
// The last XXXXXX of the template become a name no file has yet.
NewFile WriteNewFile(std::string path_template, std::string_view text);

// What a path was found to be, opened for reading without following a link or waiting for a writer.
enum class Found { kRegularFile, kFolder, kOtherFile, kError };
struct FileForReading {
  Found found = Found::kError;
  UniqueFd file{};  // open with kRegularFile only
  int error = 0;    // with kError, the errno: ELOOP for a symbolic link
};
FileForReading OpenRegularFile(const std::string& path);

// Copies what is left to read of the file to a new file of mode 0600 at the path, never through a
// link: 0, or the errno (then no copy is left).
int CopyToNewFile(const UniqueFd& from, const std::string& path);

}  // namespace quorvel::platform

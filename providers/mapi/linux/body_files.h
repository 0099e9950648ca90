// Files handed to a mail client by path: message bodies (Thunderbird's message=FILE), so that no body
// size meets the limit on one argument, and copies of attachments a sandboxed client cannot read where
// they are. The library does not wait for the client, so a file stays after the send; a later write
// to that folder, the first in each hour of the process, removes the body files and copies older than
// a day, so that they go between 24 and 25 hours old while the folder is written to.
#pragma once

#include <string>

namespace quorvel::mapi {

// The folder for body files a client outside any sandbox reads: $XDG_RUNTIME_DIR/quorvel, else a new
// folder of mode 0700 with a random name in the temporary folder ($TMPDIR when absolute, else /tmp),
// so that no name planted there ahead can stand in for it. No later write goes to such a folder, so
// its files are left to the temporary folder's own cleaning. Raises 32002 when it cannot be made.
std::string PrivateBodyFolder();

// Writes the body to a new file of mode 0600 in the folder, made with mode 0700 when missing, and
// answers the file's path. Raises 32002 when the folder is not the user's own and private (a planted
// folder or link is never used) or the file cannot be written.
std::string WriteBodyFile(const std::string& folder, std::string_view body);

// A copy of an attachment: its path, or why the file cannot be copied (then no path).
struct CopiedFile {
  std::string path{};
  std::string why_not{};
};

// Copies the file, opened without following a link, to a new file of mode 0600 under the same name in
// a new private folder of its own inside the folder (so that two attachments of one name both keep
// it), the folder made and checked as WriteBodyFile does. A folder, a link or a file the user cannot
// read is not copied: the answer says why. Raises 32002 when the copy cannot be written.
CopiedFile CopyAttachment(const std::string& folder, const std::string& path);

}  // namespace quorvel::mapi

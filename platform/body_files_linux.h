// Message bodies handed to a mail client as a file (Thunderbird's message=FILE), so that no body size
// meets the limit on one argument. The library does not wait for the client, so a file stays after
// the send; each later write removes the files of that folder older than a day.
#pragma once

#include <string>

namespace quorvel::platform {

// The folder for body files a client outside any sandbox reads: $XDG_RUNTIME_DIR/quorvel, else a new
// folder of mode 0700 with a random name in the temporary folder ($TMPDIR when absolute, else /tmp),
// so that no name planted there ahead can stand in for it. No later write goes to such a folder, so
// its files are left to the temporary folder's own cleaning. Raises 32002 when it cannot be made.
std::string PrivateBodyFolder();

// Writes the body to a new file of mode 0600 in the folder, made with mode 0700 when missing, and
// answers the file's path. Raises 32002 when the folder is not the user's own and private (a planted
// folder or link is never used) or the file cannot be written.
std::string WriteBodyFile(const std::string& folder, const std::string& body);

}  // namespace quorvel::platform

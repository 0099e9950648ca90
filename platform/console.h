// What the command-line host asks the system before it hands a message over. The host links only the
// library's public API, so these few checks are compiled into it (platform/<system>/console.cc).
#pragma once

#include <string>
#include <vector>

namespace quorvel::platform {

// The program's arguments in UTF-8, the program's name first, whatever form the system hands them in
// (UTF-16 on Windows); standard output and error then take UTF-8 text as it is, with "\n" line ends.
std::vector<std::string> PrepareConsole(int argc, char** argv);

bool StandardInputIsTerminal();

// Whether this user may read the file, asked without opening it, so that a named pipe is never waited
// on. kMissing stands for every other failure: a missing file or folder, a name too long, a link loop.
enum class ReadAccess { kReadable, kNotPermitted, kMissing };
ReadAccess CheckReadAccess(const std::string& path);

}  // namespace quorvel::platform

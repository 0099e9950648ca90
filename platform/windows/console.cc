#include "platform/console.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cerrno>
#include <cstdio>

#include "platform/windows/wide_text.h"

namespace quorvel::platform {

// main's own argv is in the ANSI code page, which cannot hold every name: the arguments are read again
// from the UTF-16 command line, as wmain would get them.
std::vector<std::string> PrepareConsole(int argc, char** argv) {
  std::vector<std::string> arguments;
  int count = 0;
  if (wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count)) {
    for (int i = 0; i < count; ++i) arguments.push_back(Narrow(wide[i]));
    LocalFree(wide);
  } else {
    arguments.assign(argv, argv + argc);
  }
  // The console shows UTF-8 as UTF-8; binary streams keep "\n" as it is, as the Linux build writes it.
  SetConsoleOutputCP(CP_UTF8);
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
  return arguments;
}

bool StandardInputIsTerminal() { return _isatty(_fileno(stdin)) != 0; }

ReadAccess CheckReadAccess(const std::string& path) {
  const int kRead = 4;
  if (_waccess(Widen(path).c_str(), kRead) == 0) return ReadAccess::kReadable;
  return errno == EACCES ? ReadAccess::kNotPermitted : ReadAccess::kMissing;
}

}  // namespace quorvel::platform

// Any command line through the splitter: the quotes are consumed, the blanks outside them separate,
// and nothing else is lost or added.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/program_start.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string line(reinterpret_cast<const char*>(data), size);
  std::string kept;
  for (const char c : line) {
    if (c != '"' && c != ' ' && c != '\t') kept += c;
  }
  std::string joined;
  for (const auto& argument : quorvel::platform::SplitCommandLine(line)) {
    if (argument.find('"') != std::string::npos) std::abort();
    for (const char c : argument) {
      if (c != ' ' && c != '\t') joined += c;
    }
  }
  if (joined != kept) std::abort();
  return 0;
}

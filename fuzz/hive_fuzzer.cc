// Any bytes as a hive file: the reader refuses them in order or reads a tree, and whatever it reads
// the writer writes so that the reader reads the same tree back.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/reg_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace quorvel::platform;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  RegKey tree;
  try {
    tree = ParseRegFile(bytes, "HKEY_LOCAL_MACHINE", "fuzz.reg");
  } catch (const quorvel::AutomationError& error) {
    if (error.number() != kInvalidFileFormat) std::abort();
    return 0;
  }
  if (ParseRegFile(WriteRegFile(tree, "HKEY_LOCAL_MACHINE"), "HKEY_LOCAL_MACHINE", "written.reg") != tree) std::abort();
  return 0;
}
